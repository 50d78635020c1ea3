// What a transfer window (Upload, Download, STB Reboot) offers its controller.
//
// Any thread may call ShowStatus, SetProgress, Post and ShowMessage; none of them may
// block on the window. The rest is called by the controller on the window's thread only.
#pragma once
#include "common/prompter.h"

#include <chrono>
#include <functional>
#include <string>

// What the window enables and shows; sent whenever one of them changes.
struct TransferState {
    bool devicePresent = false;     // the STB's USB device is open
    bool busy = false;              // a transfer worker runs
    bool canStart = false;          // "Upload", "Download" or "STB Reboot" may be pressed
    bool watchdogRunning = false;   // timer 1 of the serial download
    bool closing = false;           // a close was asked for and is under way
    bool operator==(const TransferState&) const = default;
};

struct PromptMessage {
    std::string text;
    std::string title;
    PromptButtons buttons = PromptButtons::Ok;
    PromptIcon icon = PromptIcon::None;
};

class TransferView {
public:
    virtual ~TransferView() = default;
    virtual void ShowStatus(const std::string& text) = 0;
    // Why the link cannot be used (a USB device refused, a port that did not open) and the
    // fix, kept in sight beside the status until it is cleared with an empty text; a view
    // without a place of its own shows it as a status.
    virtual void ShowLinkProblem(const std::string& text)
    {
        if (!text.empty())
            ShowStatus(text);
    }
    virtual void SetProgress(int position) = 0;
    // Runs a command on the window's thread.
    virtual void Post(std::function<void()> command) = 0;
    // Shows a worker's message box on the window's thread and returns at once; answered
    // runs there when the user closed the box, never from inside ShowMessage.
    virtual void ShowMessage(const PromptMessage& message, std::function<void(PromptAnswer)> answered) = 0;

    virtual void StateChanged(const TransferState& state) = 0;
    // Closing is done: the link is released and every question answered; the window goes away.
    virtual void ReadyToClose() = 0;
    // The window's timer: tick runs on the window's thread every period until StopTimer.
    virtual void StartTimer(std::chrono::milliseconds period, std::function<void()> tick) = 0;
    virtual void StopTimer() = 0;
    // Runs a command on the window's thread once delay has passed.
    virtual void PostAfter(std::chrono::milliseconds delay, std::function<void()> command) = 0;
};
