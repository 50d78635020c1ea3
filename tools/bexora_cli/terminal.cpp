#include "tools/bexora_cli/terminal.h"
#include "explorer/zbdll.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <unistd.h>

void TerminalPrompter::Notify(const std::string& text, const std::string& title, PromptIcon)
{
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
}

PromptAnswer TerminalPrompter::Ask(const std::string& text, const std::string& title, PromptButtons, PromptIcon)
{
    if (m_bAssumeYes)
        return PromptAnswer::Yes;
    std::fprintf(stderr, "%s: %s [y/N] ", title.c_str(), text.c_str());
    std::string line;
    if (!std::getline(std::cin, line))
        return PromptAnswer::No;
    return line == "y" || line == "Y" || line == "yes" ? PromptAnswer::Yes : PromptAnswer::No;
}

std::string ReadChoice(const std::string& text, const char* const* choices, const std::string& onEnd)
{
    for (;;) {
        std::fprintf(stderr, "\n%s\n", text.c_str());
        for (const char* const* c = choices; *c; ++c)
            std::fprintf(stderr, "%s%s", c == choices ? "[" : " | ", *c);
        std::fprintf(stderr, "]? ");
        std::string line;
        if (!std::getline(std::cin, line))
            return onEnd;
        for (const char* const* c = choices; *c; ++c) {
            if (line == *c) {
                std::string answer;
                for (char ch : line)
                    if (ch != '-')
                        answer += char(std::toupper(static_cast<unsigned char>(ch)));
                return answer;
            }
        }
    }
}

std::string TerminalAsker::AskDuplicate(const std::string& text)
{
    switch (m_preset) {
    case PresetAnswer::Overwrite:
        return "OVERWRITEALL";
    case PresetAnswer::Resume:
        return "RESUMEALL";
    case PresetAnswer::Skip:
        return "SKIPALL";
    case PresetAnswer::None:
        break;
    }
    static const char* const choices[] = {"overwrite", "overwrite-all", "resume", "resume-all",
                                          "skip",      "skip-all",      "cancel", nullptr};
    return ReadChoice(text, choices, "CANCEL");
}

std::string TerminalAsker::AskReplace(const std::string& text)
{
    // This STB cannot resume: a resumed file would be sent whole anyway.
    switch (m_preset) {
    case PresetAnswer::Overwrite:
    case PresetAnswer::Resume:
        return "YESTOALL";
    case PresetAnswer::Skip:
        return "NO";
    case PresetAnswer::None:
        break;
    }
    static const char* const choices[] = {"yes", "yes-to-all", "no", "cancel", nullptr};
    return ReadChoice(text, choices, "CANCEL");
}

TerminalProgress::TerminalProgress() : m_bTerminal(isatty(STDERR_FILENO) != 0) {}

void TerminalProgress::Clear()
{
    if (m_bDrawn)
        std::fprintf(stderr, "\r\033[K");
    m_bDrawn = false;
}

void TerminalProgress::Hide()
{
    m_bShown = false;
    Clear();
}

void TerminalProgress::Close()
{
    m_bShown = false;
    Clear();
}

void TerminalProgress::Draw(const CopyEngine& engine)
{
    auto now = std::chrono::steady_clock::now();
    if (!m_bTerminal || !m_bShown || now - m_lastTick < std::chrono::milliseconds(55))
        return;
    m_lastTick = now;
    std::string line;
    if (engine.State() == JobState::JobCopying) {
        const ProgressFrame& frame = m_tracker.Tick(engine.Counters(), UsbTaskGetPercent());
        int filled = std::clamp(frame.jobBar, 0, 100) * 30 / 100;
        line = "[" + std::string(size_t(filled), '#') + std::string(size_t(30 - filled), ' ') + "] " +
               std::to_string(frame.jobBar) + "%  " + frame.jobText + " " + frame.jobTime + "  " + m_path;
    } else {
        line = m_title + " " + (m_folderText.empty() ? m_path : m_folderText);
    }
    std::fprintf(stderr, "\r\033[K%s", line.substr(0, 120).c_str());
    m_bDrawn = true;
}
