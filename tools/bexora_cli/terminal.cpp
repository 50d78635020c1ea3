#include "tools/bexora_cli/terminal.h"

#include "common/std_output.h"
#include "explorer/zbdll.h"
#include "common/terminal_text.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <unistd.h>

using namespace explorer;

void TerminalPrompter::Notify(const std::string& text, const std::string& title, PromptIcon)
{
    PrintError("%s: %s\n", title.c_str(), ForStream(stderr, text).c_str());
}

PromptAnswer TerminalPrompter::Ask(const std::string& text, const std::string& title, PromptButtons, PromptIcon)
{
    if (m_bAssumeYes)
        return PromptAnswer::Yes;
    PrintError("%s: %s [y/N] ", title.c_str(), ForStream(stderr, text).c_str());
    std::string line;
    if (!std::getline(std::cin, line))
        return PromptAnswer::No;
    return line == "y" || line == "Y" || line == "yes" ? PromptAnswer::Yes : PromptAnswer::No;
}

ConflictAnswer ReadChoice(const std::string& text, std::initializer_list<TerminalChoice> choices)
{
    for (;;) {
        PrintError("\n%s\n", ForStream(stderr, text).c_str());
        const char* separator = "[";
        for (const TerminalChoice& c : choices) {
            PrintError("%s%s", separator, c.word);
            separator = " | ";
        }
        PrintError("]? ");
        std::string line;
        if (!std::getline(std::cin, line))
            return ConflictAnswer::Cancel;
        for (const TerminalChoice& c : choices)
            if (line == c.word)
                return c.answer;
    }
}

ConflictAnswer TerminalAsker::AskDuplicate(const std::string& text)
{
    switch (m_Preset) {
    case PresetAnswer::Overwrite:
        return ConflictAnswer::OverwriteAll;
    case PresetAnswer::Resume:
        return ConflictAnswer::ResumeAll;
    case PresetAnswer::Skip:
        return ConflictAnswer::SkipAll;
    case PresetAnswer::None:
        break;
    }
    return ReadChoice(text, {{"overwrite", ConflictAnswer::Overwrite},
                             {"overwrite-all", ConflictAnswer::OverwriteAll},
                             {"resume", ConflictAnswer::Resume},
                             {"resume-all", ConflictAnswer::ResumeAll},
                             {"skip", ConflictAnswer::Skip},
                             {"skip-all", ConflictAnswer::SkipAll},
                             {"cancel", ConflictAnswer::Cancel}});
}

std::optional<ConflictAnswer> TerminalAsker::AnswerForAll() const
{
    // Resume is all that changes what a job needs: the resumed files need their rest only.
    if (m_Preset == PresetAnswer::Resume)
        return ConflictAnswer::ResumeAll;
    return std::nullopt;
}

ConflictAnswer TerminalAsker::AskReplace(const std::string& text)
{
    // This STB cannot resume: a resumed file would be sent whole anyway.
    switch (m_Preset) {
    case PresetAnswer::Overwrite:
    case PresetAnswer::Resume:
        return ConflictAnswer::YesToAll;
    case PresetAnswer::Skip:
        return ConflictAnswer::No;
    case PresetAnswer::None:
        break;
    }
    return ReadChoice(text, {{"yes", ConflictAnswer::Yes},
                             {"yes-to-all", ConflictAnswer::YesToAll},
                             {"no", ConflictAnswer::No},
                             {"cancel", ConflictAnswer::Cancel}});
}

TerminalProgress::TerminalProgress() : m_bTerminal(isatty(STDERR_FILENO) != 0) {}

void TerminalProgress::Clear()
{
    if (m_bDrawn)
        PrintError("\r\033[K");
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
    if (!m_bTerminal || !m_bShown || now - m_LastTick < std::chrono::milliseconds(55))
        return;
    m_LastTick = now;
    std::string line;
    if (engine.State() == JobState::JobCopying) {
        const ProgressFrame& frame = m_Tracker.Tick(engine.Counters(), UsbTaskGetPercent());
        int filled = std::clamp(frame.jobBar, 0, 100) * 30 / 100;
        line = "[" + std::string(size_t(filled), '#') + std::string(size_t(30 - filled), ' ') + "] " +
               std::to_string(frame.jobBar) + "%  " + frame.jobText + " " + frame.jobTime + "  " + m_Path;
    } else {
        line = m_Title + " " + (m_FolderText.empty() ? m_Path : m_FolderText);
    }
    PrintError("\r\033[K%s", EscapeControls(CutForEcho(line, 120)).c_str());
    m_bDrawn = true;
}
