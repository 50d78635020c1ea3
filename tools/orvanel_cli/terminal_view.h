// The transfer dialogs on a terminal: status texts and a progress bar on stderr, and the
// window's command queue that the main thread runs.
#pragma once
#include "link/transfer/transfer_view.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

class TerminalView : public TransferView {
public:
    TerminalView();
    void ShowStatus(const std::string& text) override;
    void SetProgress(int position) override;
    void RequestClose() override;
    void Post(std::function<void()> command) override;

    // Runs the posted commands for up to timeout; returns early once a close was requested.
    void RunFor(std::chrono::milliseconds timeout);
    bool CloseRequested() const;
    std::string LastStatus() const;
    // Ends the progress line so that later output starts on a line of its own.
    void Finish();

private:
    void DrawLocked();

    mutable std::mutex m_Lock;
    std::condition_variable m_Changed;
    std::deque<std::function<void()>> m_Commands;
    bool m_bCloseRequested = false;
    bool m_bTerminal;
    bool m_bDrawn = false;
    std::string m_Status;
    int m_Progress = 0;
};
