#include "downloader/zbdn_controller.h"

#include "common/input_file.h"

#include <cctype>
#include <filesystem>
#include <system_error>

namespace {
const char* const kSelectText = "Please Select ZBD File!";

// Opens the file to check it and takes its size; only a regular file is an image.
bool CheckFile(const std::string& path, uint64_t& size, FileFailure* failure = nullptr)
{
    CInputFile file;
    if (!file.Open(path, failure))
        return false;
    size = file.Size();
    return true;
}
}  // namespace

bool IsZbdFileName(const std::string& path)
{
    size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.find('.');
    if (dot == std::string::npos || name.size() < dot + 4)
        return false;
    auto upper = [&name, dot](size_t i) { return std::toupper(static_cast<unsigned char>(name[dot + 1 + i])); };
    return upper(0) == 'Z' && upper(1) == 'B' && upper(2) == 'D';
}

std::string ZbdnWaitingText(ZbdnLoader loader)
{
    switch (loader) {
    case ZbdnLoader::Greeting: return "Wait Download\nGreeting the STB's loader...\nLoader: connected";
    case ZbdnLoader::Silent:
        return "Wait Download\nNo answer: switch the STB off and on to start its loader.\nLoader: not answering";
    case ZbdnLoader::Absent: break;
    }
    return "Wait Download\nSwitch the STB off and on to start its loader.\nLoader: not connected";
}

CZbdnController::CZbdnController(ZbdnView& view, ZbdnProfile& profile, CZbdnSession& session)
    : m_View(view), m_Profile(profile), m_Session(session)
{
}

void CZbdnController::Open(const std::string& commandLinePath)
{
    m_bCommandLine = !commandLinePath.empty();
    m_Session.SetQuitOnFinish(m_bCommandLine);
    m_BrowsePath = m_Profile.Read(kZbdnProfileSection, kZbdnProfileKey);
    if (!m_Session.Start())
        m_View.SetRetryTimer(true);
    if (m_bCommandLine) {
        m_View.SetFileName(commandLinePath);
        OnDownload(commandLinePath);
    }
}

void CZbdnController::ShowStatus(const std::string& text)
{
    m_Session.SetStatusText(text);
    m_View.SetStatus(text);
}

std::string CZbdnController::FindInitialName()
{
    std::string path = m_Profile.Read(kZbdnProfileSection, kZbdnProfileKey);
    return path.empty() ? "*.ZBD" : path;
}

bool CZbdnController::TakeFile(const std::string& path)
{
    uint64_t size = 0;
    if (!CheckFile(path, size)) {
        ShowStatus("File Open Error : " + path);
        return false;
    }
    m_ImageSize = size;
    m_BrowsePath = path;
    m_View.SetFileName(path);
    return true;
}

void CZbdnController::OnFileChosen(const std::string& path)
{
    TakeFile(path);
}

void CZbdnController::OnFilesDropped(const std::vector<std::string>& paths)
{
    if (paths.empty())
        return;
    if (!IsZbdFileName(paths.front())) {
        ShowStatus(kSelectText);
        return;
    }
    std::error_code error;
    std::filesystem::path full = std::filesystem::absolute(paths.front(), error);
    TakeFile(error ? paths.front() : full.string());
}

void CZbdnController::OnDownload(const std::string& fileName)
{
    if (m_bStartRequested || m_bClosing)
        return;
    if (fileName.empty()) {
        ShowStatus(kSelectText);
        return;
    }
    uint64_t size = 0;
    FileFailure failure;
    // Refused before the STB is greeted: a loader that asks for nothing, or for the start
    // of the file again, would be left in the middle of its update.
    if (CheckFile(fileName, size, &failure) && size > CServingEngine::kMaxImageSize) {
        failure = {fileName, std::to_string(size) + " bytes; the STB's loader reads at most 16 MiB"};
        FailStart(kImageTooLargeText, failure);
        return;
    }
    if (!failure && size == 0) {
        FailStart(kZbdnEmptyImageText, {fileName, "0 bytes"});
        return;
    }
    if (failure || !m_Session.OpenImage(fileName, &failure)) {
        FailStart("File Open Error!", failure);
        return;
    }
    m_FailureDetail.clear();
    m_ImagePath = fileName;
    m_ImageSize = size;
    m_Profile.Write(kZbdnProfileSection, kZbdnProfileKey, fileName);
    m_Session.Arm();
    m_View.EnableInput(false);
    m_bStartRequested = true;
    // A loader already on the bus is greeted at once; otherwise the session waits for one.
    if (m_bDevicePresent && !m_Session.WorkerRunning())
        GreetLoader();
    else
        ShowWaiting(ZbdnLoader::Absent);
}

void CZbdnController::GreetLoader()
{
    ShowWaiting(ZbdnLoader::Greeting);
    m_Session.Greet();
}

void CZbdnController::FailStart(const std::string& status, const FileFailure& failure)
{
    m_Session.CloseImage();
    ShowStatus(status);
    m_FailureDetail = failure.Describe();
    EndCommandLine();
}

// In command-line mode nobody is there to try again: any end is the program's end.
void CZbdnController::EndCommandLine()
{
    if (!m_bCommandLine || m_bClosing)
        return;
    m_bClosing = true;
    FinishClose();
}

std::string CZbdnController::EndText() const
{
    std::string status = m_Session.StatusText();
    if (m_bInterrupted)
        status = std::string(kZbdnInterruptedText) + " " + status;
    return m_FailureDetail.empty() ? status : status + " " + m_FailureDetail;
}

void CZbdnController::OnMessage(const ZbdnMessage& message)
{
    switch (message.msg) {
    case ZbdnMsg::Arrival:
        if (m_Session.DeviceArrival(message.path))
            OnDeviceReady();
        break;
    case ZbdnMsg::Removal:
    case ZbdnMsg::DeviceGone: OnDeviceGone(message.path); break;
    case ZbdnMsg::DeviceReady:
        // Start-up's discovery; the notice of the same loader may have come first, and a
        // Download pressed since has greeted it: a second greeting would hide its silence.
        if (!m_bDevicePresent)
            OnDeviceReady();
        break;
    case ZbdnMsg::Greeted: OnGreeted(message.param != 0); break;
    case ZbdnMsg::ShowStatus: m_View.SetStatus(m_Session.StatusText()); break;
    case ZbdnMsg::SetProgress: m_View.SetProgress(int(message.param)); break;
    case ZbdnMsg::WorkerFinished:
    case ZbdnMsg::Quit: OnWorkerFinished(); break;
    }
}

void CZbdnController::OnDeviceReady()
{
    m_bDevicePresent = true;
    m_View.SetRetryTimer(false);
    // A worker that lost its device is still ending: it must go on seeing the abort.
    if (m_Session.WorkerRunning())
        return;
    m_Session.ClearAbort();
    if (m_bStartRequested && !m_bClosing)
        GreetLoader();
}

void CZbdnController::OnDeviceGone(const std::string& path)
{
    if (!m_Session.DeviceRemoved(path))
        return;
    m_bDevicePresent = false;
    if (m_bStartRequested && !m_bClosing && !m_Session.WorkerRunning())
        ShowWaiting(ZbdnLoader::Absent);
    // A loader back under a new address while the old one was still open.
    std::string waiting = m_Session.TakeWaitingArrival();
    if (!waiting.empty() && m_Session.DeviceArrival(waiting))
        OnDeviceReady();
    else if (!m_bClosing)
        m_View.SetRetryTimer(true);
}

void CZbdnController::OnRetryTimer()
{
    if (m_Session.RetryArrival())
        OnDeviceReady();
}

void CZbdnController::OnGreeted(bool answered)
{
    if (!m_bStartRequested || m_bClosing || m_Session.Stopped())
        return;
    // A loader that does not answer is not greeted again until it comes back.
    if (!answered) {
        if (m_bDevicePresent)
            ShowWaiting(ZbdnLoader::Silent);
        return;
    }
    if (!m_Session.StartWorker())
        EndSession();
}

// Only the user's stop and a removal of the STB abort a worker, and the user's stop ends
// quietly. An STB that ended the session may restart at once: that is no cut.
void CZbdnController::OnWorkerFinished()
{
    if (m_Session.Stopped())
        return;
    // Nothing is left to stop: the question goes, and the status says how it ended.
    DropStopQuestion();
    if (m_Session.Aborted() && !m_Session.Completed())
        ShowStatus(kZbdnDisconnectedText);
    else
        m_View.SetStatus(m_Session.StatusText());
    EndSession();
}

void CZbdnController::EndSession()
{
    m_View.EnableInput(true);
    m_bStartRequested = false;
    m_View.SetProgress(m_Session.Delivered() ? 100 : 0);
    m_Session.CloseImage();
    EndCommandLine();
}

void CZbdnController::OnStopAndExit()
{
    if (m_bClosing || m_bAskingStop)
        return;
    if (m_Session.WorkerRunning()) {
        m_bAskingStop = true;
        m_View.AskStop(kZbdnStopQuestion);
        return;
    }
    BeginClose();
}

void CZbdnController::OnStopAnswer(bool stop)
{
    if (!m_bAskingStop)
        return;
    m_bAskingStop = false;
    if (stop && !m_bClosing)
        BeginClose();
}

void CZbdnController::OnInterrupt()
{
    m_bInterrupted = true;
    DropStopQuestion();
    if (!m_bClosing)
        BeginClose();
}

void CZbdnController::DropStopQuestion()
{
    if (!m_bAskingStop)
        return;
    m_bAskingStop = false;
    m_View.EndStopQuestion();
}

void CZbdnController::BeginClose()
{
    m_bClosing = true;
    m_Session.Stop();
    m_ClosePolls = 0;
    if (m_Session.WorkerRunning())
        m_View.SetClosePoll(true);
    else
        FinishClose();
}

void CZbdnController::OnClosePoll()
{
    if (m_Session.WorkerRunning() && ++m_ClosePolls < kZbdnClosePolls)
        return;
    m_View.SetClosePoll(false);
    FinishClose();
}

void CZbdnController::FinishClose()
{
    m_Session.CloseImage();
    m_View.SetRetryTimer(false);
    bool failed = m_bCommandLine && !m_Session.Delivered();
    m_View.EndWindow(m_bInterrupted ? ZBDN_EXIT_INTERRUPTED : failed ? ZBDN_EXIT_FAILED : ZBDN_EXIT_DELIVERED);
}
