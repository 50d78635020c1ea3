// The transfer dialogs on a terminal: status texts and a progress bar on stderr; the
// main thread runs the window's commands and timer.
#pragma once
#include "link/transfer/command_loop.h"

#include <cstdint>
#include <mutex>
#include <string>

class TerminalView : public CTransferCommandLoop {
public:
    explicit TerminalView(Prompter& prompter);
    void ShowStatus(const std::string& text) override;
    void SetProgress(int position) override;

    std::string LastStatus() const;
    // Bytes moved of all (a download's counter; the upload's are in its status texts).
    void ShowBytes(uint32_t done, uint32_t total);
    // Ends the progress line so that later output starts on a line of its own.
    void Finish();

private:
    void DrawLocked();
    std::string BytesLocked() const;

    mutable std::mutex m_Lock;
    bool m_bTerminal;
    bool m_bDrawn = false;
    std::string m_Status;
    int m_Progress = 0;
    uint32_t m_BytesDone = 0;
    uint32_t m_BytesTotal = 0;
};
