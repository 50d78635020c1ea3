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

std::string ZbdnWaitingText(bool loaderConnected)
{
    return std::string("Wait Download\nSwitch the STB off and on to start its loader.\n") +
           (loaderConnected ? "Loader: connected" : "Loader: not connected");
}

CZbdnController::CZbdnController(ZbdnView& view, ZbdnProfile& profile, CZbdnSession& session, Prompter& prompter)
    : m_View(view), m_Profile(profile), m_Session(session), m_Prompter(prompter)
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
    if (CheckFile(fileName, size, &failure) && size > CServingEngine::kMaxImageSize) {
        // Refused before the STB is greeted: it would take the start of the file again.
        failure = {fileName, std::to_string(size) + " bytes; the STB's loader reads at most 16 MiB"};
        FailStart(kImageTooLargeText, failure);
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
    ShowWaiting();
    // The engine is ready only while a worker runs, and none runs here: the session waits
    // for the loader to arrive.
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
    case ZbdnMsg::DeviceReady: OnDeviceReady(); break;
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
    if (m_bStartRequested && !m_bClosing)
        ShowWaiting();
    m_Session.ClearAbort();
    if (m_bStartRequested && !m_bClosing)
        m_Session.Greet();
}

void CZbdnController::OnDeviceGone(const std::string& path)
{
    if (!m_Session.DeviceRemoved(path))
        return;
    m_bDevicePresent = false;
    if (m_bStartRequested && !m_bClosing && !m_Session.WorkerRunning())
        ShowWaiting();
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
    if (!answered || !m_bStartRequested || m_bClosing || m_Session.Stopped())
        return;
    if (!m_Session.StartWorker())
        EndSession();
}

// Only the user's stop and a removal of the STB abort a worker, and the user's stop ends
// quietly. An STB that ended the session may restart at once: that is no cut.
void CZbdnController::OnWorkerFinished()
{
    if (m_Session.Stopped())
        return;
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
    if (m_bClosing)
        return;
    if (m_Session.WorkerRunning() &&
        m_Prompter.Ask(kZbdnStopQuestion, "WARNING", PromptButtons::YesNo, PromptIcon::Warning) != PromptAnswer::Yes)
        return;
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
    m_View.EndWindow(failed ? ZBDN_EXIT_FAILED : ZBDN_EXIT_DELIVERED);
}
