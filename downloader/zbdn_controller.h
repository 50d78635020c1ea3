// The firmware downloader's window without its widgets: the image file chosen by name,
// file dialog, drop or command line, the start of a download and its wait for the STB,
// the commands from the session, and the stop that ends the window. The window draws
// what it is told through ZbdnView and hands every user action and posted message here.
#pragma once
#include "downloader/zbdn_session.h"

#include <cstdint>
#include <string>
#include <vector>

constexpr const char* kZbdnProfileSection = "ZBDOWN_USB";
constexpr const char* kZbdnProfileKey = "PATH";
constexpr int kZbdnRetryPeriodMs = 1000;
constexpr int kZbdnClosePollMs = 100;
constexpr int kZbdnClosePolls = 50;

// Exit status of the program in command-line mode.
enum ZbdnExit : int {
    ZBDN_EXIT_DELIVERED = 0,
    ZBDN_EXIT_FAILED = 1,
    ZBDN_EXIT_ALREADY_RUNNING = 3,
    ZBDN_EXIT_INTERRUPTED = 130,   // Ctrl+C, as a shell reports a program the signal ended
};

class ZbdnView {
public:
    virtual ~ZbdnView() = default;
    virtual void SetFileName(const std::string& path) = 0;
    virtual void SetStatus(const std::string& text) = 0;
    virtual void SetProgress(int position) = 0;
    // "Download", "Find" and the file name edit.
    virtual void EnableInput(bool enable) = 0;
    // Timer 1, every kZbdnRetryPeriodMs, calls OnRetryTimer.
    virtual void SetRetryTimer(bool running) = 0;
    // Every kZbdnClosePollMs, calls OnClosePoll.
    virtual void SetClosePoll(bool running) = 0;
    // The window may go now; the program ends with exitCode when it was its last window.
    virtual void EndWindow(int exitCode) = 0;
    // The question before a running transfer is stopped: shown without waiting, No as its
    // default; the answer comes back through OnStopAnswer. EndStopQuestion closes it
    // unanswered.
    virtual void AskStop(const std::string& text) = 0;
    virtual void EndStopQuestion() = 0;
};

// The program's profile: one string per section and key.
class ZbdnProfile {
public:
    virtual ~ZbdnProfile() = default;
    virtual std::string Read(const std::string& section, const std::string& key) = 0;
    virtual void Write(const std::string& section, const std::string& key, const std::string& value) = 0;
};

// A dropped name is an image when the characters after the first dot of its last path
// component ('/' and '\' both separate) begin with Z, B and D in either case.
bool IsZbdFileName(const std::string& path);

// The question before "Stop and Exit" ends a running transfer, and the end of one cut
// by the cable.
constexpr const char* kZbdnStopQuestion =
    " The firmware is being sent to the STB.   \n\n A half-sent firmware may leave the STB unable to start.   "
    "\n\n Stop and Exit anyway?";
constexpr const char* kZbdnDisconnectedText = "Error! STB Disconnected. Transfer Stopped.";
// An empty image, refused before the loader is greeted.
constexpr const char* kZbdnEmptyImageText = "Error : The file is empty (0 bytes); there is nothing to send.";
constexpr const char* kZbdnInterruptedText = "Interrupted (Ctrl+C); last status:";
constexpr const char* kZbdnAlreadyRunningText = "another ZBDN_USB is running; only one may run at a time";

// Where the wait for the STB's loader stands.
enum class ZbdnLoader { Absent, Greeting, Silent };
// "Wait Download" with what the user does next and where the loader stands.
std::string ZbdnWaitingText(ZbdnLoader loader);

class CZbdnController {
public:
    CZbdnController(ZbdnView& view, ZbdnProfile& profile, CZbdnSession& session);

    // Start-up: discovery (a device found is posted as ready, else timer 1) and, with a
    // path from the command line, the download, which the posted ready then greets.
    void Open(const std::string& commandLinePath);

    // "Find": the dialog's initial name, then the file the user chose.
    std::string FindInitialName();
    void OnFileChosen(const std::string& path);
    void OnFilesDropped(const std::vector<std::string>& paths);
    void OnDownload(const std::string& fileName);
    // "Stop and Exit" and closing the window: the window waits for EndWindow. While a
    // transfer runs the user is asked first.
    void OnStopAndExit();
    void OnStopAnswer(bool stop);
    // Ctrl+C or a termination request: stop without asking and end with ZBDN_EXIT_INTERRUPTED.
    void OnInterrupt();
    void OnClosePoll();
    void OnRetryTimer();
    void OnMessage(const ZbdnMessage& message);

    bool CommandLineMode() const { return m_bCommandLine; }
    bool StartRequested() const { return m_bStartRequested; }
    bool DevicePresent() const { return m_bDevicePresent; }
    bool Closing() const { return m_bClosing; }
    bool AskingStop() const { return m_bAskingStop; }
    const std::string& ImagePath() const { return m_ImagePath; }
    const std::string& BrowsePath() const { return m_BrowsePath; }
    uint64_t ImageSize() const { return m_ImageSize; }
    // The last status, and the file and reason when the image could not be taken.
    std::string EndText() const;

private:
    void ShowStatus(const std::string& text);
    void ShowWaiting(ZbdnLoader loader) { ShowStatus(ZbdnWaitingText(loader)); }
    void GreetLoader();
    void BeginClose();
    void DropStopQuestion();
    bool TakeFile(const std::string& path);
    void OnDeviceReady();
    void OnDeviceGone(const std::string& path);
    void OnGreeted(bool answered);
    void OnWorkerFinished();
    void EndSession();
    void FailStart(const std::string& status, const FileFailure& failure);
    void EndCommandLine();
    void FinishClose();

    ZbdnView& m_View;
    ZbdnProfile& m_Profile;
    CZbdnSession& m_Session;
    std::string m_ImagePath;
    std::string m_BrowsePath;
    std::string m_FailureDetail;
    uint64_t m_ImageSize = 0;
    bool m_bCommandLine = false;
    bool m_bStartRequested = false;
    bool m_bDevicePresent = false;
    bool m_bClosing = false;
    bool m_bAskingStop = false;
    bool m_bInterrupted = false;
    int m_ClosePolls = 0;
};
