// The explorer's windows on a terminal: messages and questions on stderr and stdin,
// the conflict questions (or a preset All answer), and a progress bar.
#pragma once
#include "explorer/copy_engine.h"
#include "explorer/explorer_host.h"
#include "explorer/progress_tracker.h"
#include "common/prompter.h"

#include <chrono>
#include <initializer_list>
#include <string>

class TerminalPrompter : public Prompter {
public:
    explicit TerminalPrompter(bool assumeYes) : m_bAssumeYes(assumeYes) {}
    void Notify(const std::string& text, const std::string& title, PromptIcon icon) override;
    PromptAnswer Ask(const std::string& text, const std::string& title, PromptButtons buttons,
                     PromptIcon icon) override;

private:
    bool m_bAssumeYes;
};

enum class PresetAnswer { None, Overwrite, Resume, Skip };

class TerminalAsker : public explorer::ConflictAsker {
public:
    explicit TerminalAsker(PresetAnswer preset) : m_Preset(preset) {}
    explorer::ConflictAnswer AskDuplicate(const std::string& text) override;
    explorer::ConflictAnswer AskReplace(const std::string& text) override;
    std::optional<explorer::ConflictAnswer> AnswerForAll() const override;

private:
    PresetAnswer m_Preset;
};

class TerminalProgress : public explorer::ProgressView {
public:
    TerminalProgress();
    void Show() override { m_bShown = true; }
    void Hide() override;
    void Close() override;
    void SetTitle(const std::string& title) override { m_Title = title; }
    void SetPathLine(const std::string& text) override { m_Path = text; }
    void ResetProgress() override { m_Tracker.Reset(); }
    void SetFolderBar(size_t, size_t, const std::string& text, bool) override { m_FolderText = text; }
    // Redraws the bar, at most once per 55 ms tick, from the engine's counters and the library's percentage.
    void Draw(const explorer::CopyEngine& engine);

private:
    void Clear();
    bool m_bTerminal;
    bool m_bShown = false;
    bool m_bDrawn = false;
    std::string m_Title;
    std::string m_Path;
    std::string m_FolderText;
    explorer::ProgressTracker m_Tracker;
    std::chrono::steady_clock::time_point m_LastTick{};
};

struct TerminalChoice {
    const char* word;  // what the user types
    explorer::ConflictAnswer answer;
};
// Reads one of the choices from stdin; the end of input answers Cancel.
explorer::ConflictAnswer ReadChoice(const std::string& text, std::initializer_list<TerminalChoice> choices);
