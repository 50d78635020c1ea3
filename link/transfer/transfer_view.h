// What a transfer dialog's window offers its controller. The worker calls ShowStatus,
// SetProgress and RequestClose from its own thread; none of them may block on the window.
#pragma once
#include <functional>
#include <string>

class TransferView {
public:
    virtual ~TransferView() = default;
    virtual void ShowStatus(const std::string& text) = 0;
    virtual void SetProgress(int position) = 0;
    // The dialog is to close: the window calls the controller's Close on its own thread.
    virtual void RequestClose() = 0;
    // Runs a command on the window's thread (device arrival and removal reach it this way).
    virtual void Post(std::function<void()> command) = 0;
};
