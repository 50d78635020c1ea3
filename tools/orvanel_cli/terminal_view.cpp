#include "tools/orvanel_cli/terminal_view.h"

#include "common/std_output.h"
#include "link/transfer/transfer_text.h"

#include <cstdio>
#include <unistd.h>

namespace {
constexpr int kBarWidth = 30;

// The per-block counters (" Flash Uploading...%ld/%ld") start with a blank.
bool IsCounter(const std::string& text)
{
    return !text.empty() && text[0] == ' ';
}

// Without a progress bar only the last counter of a data type is worth a line.
bool IsFinalCounter(const std::string& text)
{
    size_t slash = text.rfind('/');
    size_t dots = text.rfind("...");
    if (slash == std::string::npos || dots == std::string::npos || dots > slash)
        return false;
    return text.substr(dots + 3, slash - dots - 3) == text.substr(slash + 1);
}
}  // namespace

TerminalView::TerminalView(Prompter& prompter)
    : CTransferCommandLoop(prompter, true), m_bTerminal(::isatty(STDERR_FILENO) != 0)
{
}

void TerminalView::ShowStatus(const std::string& text)
{
    if (IsTraceStatus(text) && !TraceOnStderr())
        return;
    std::lock_guard lock(m_Lock);
    if (text == m_Status)
        return;
    m_Status = text;
    if (m_bTerminal)
        DrawLocked();
    else if (IsCounter(text) ? IsFinalCounter(text) : !text.empty())
        PrintError("%s\n", text.c_str() + (IsCounter(text) ? 1 : 0));
}

void TerminalView::SetProgress(int position)
{
    std::lock_guard lock(m_Lock);
    if (position == m_Progress)
        return;
    m_Progress = position;
    if (m_bTerminal)
        DrawLocked();
}

void TerminalView::ShowBytes(uint32_t done, uint32_t total)
{
    std::lock_guard lock(m_Lock);
    if (done == m_BytesDone && total == m_BytesTotal)
        return;
    m_BytesDone = done;
    m_BytesTotal = total;
    if (m_bTerminal)
        DrawLocked();
}

std::string TerminalView::BytesLocked() const
{
    return m_BytesTotal == 0 ? "" : std::to_string(m_BytesDone) + "/" + std::to_string(m_BytesTotal) + " bytes";
}

void TerminalView::DrawLocked()
{
    int filled = m_Progress * kBarWidth / 100;
    std::string bar(size_t(filled), '#');
    bar.resize(kBarWidth, '.');
    std::string bytes = BytesLocked();
    PrintError("\r\033[K[%s] %3d%% %s%s%s", bar.c_str(), m_Progress, bytes.c_str(),
                 bytes.empty() ? "" : " ", m_Status.c_str());
    std::fflush(stderr);
    m_bDrawn = true;
}

void TerminalView::Finish()
{
    std::lock_guard lock(m_Lock);
    if (m_bDrawn)
        PrintError("\n");
    else if (m_BytesTotal != 0)
        PrintError("Downloaded %s\n", BytesLocked().c_str());
    m_bDrawn = false;
}

std::string TerminalView::LastStatus() const
{
    std::lock_guard lock(m_Lock);
    return m_Status;
}
