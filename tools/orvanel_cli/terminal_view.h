// The transfer dialogs on a terminal: status texts and a progress bar on stderr; the
// main thread runs the window's commands and timer.
#pragma once
#include "link/transfer/command_loop.h"

#include <mutex>
#include <string>

class TerminalView : public CTransferCommandLoop {
public:
    explicit TerminalView(Prompter& prompter);
    void ShowStatus(const std::string& text) override;
    void SetProgress(int position) override;

    std::string LastStatus() const;
    // Ends the progress line so that later output starts on a line of its own.
    void Finish();

private:
    void DrawLocked();

    mutable std::mutex m_Lock;
    bool m_bTerminal;
    bool m_bDrawn = false;
    std::string m_Status;
    int m_Progress = 0;
};
