// The frame's workflow: enabling, views, upload, open, save and leaving.
#include "editor_ui/core/editor_controller.h"

#include "common/prompter.h"
#include "common/system_paths.h"
#include "common/trace.h"
#include "editor_ui/core/recovery_keeper.h"
#include "settings/backup_folder.h"
#include "settings/model_traits.h"
#include "settings/recovery_file.h"
#include "settings/settings_file.h"

namespace {
const std::string kSaveQuestion = "Save the Current information?";
const std::string kWarnningTitle = "Warnning";

bool ServiceView(int view)
{
    return view == kTvView || view == kRadioView;
}

// "demo.std", or what a document without a file is.
std::string DocumentText(const RecoveryInfo& info)
{
    return info.fileName ? info.fileName->filename().string() : "the settings without a file name";
}

// The file the edits began from is no longer as they found it (or it cannot be told).
bool FileChangedSince(const RecoveryInfo& info)
{
    return info.fileName && (!info.fileStamp || StampOf(*info.fileName) != info.fileStamp);
}
}

CEditorController::CEditorController(COrvanel1Doc& doc, Prompter& prompter, EditorDialogs& dialogs, EditorLink& link)
    : m_Doc(doc), m_Prompter(prompter), m_Dialogs(dialogs), m_Link(link)
{
    m_Doc.m_pPrompter = &prompter;
}

bool CEditorController::Enabled(Cmd cmd) const
{
    bool held = Held();
    switch (cmd) {
    case Cmd::Open: case Cmd::Exit: case Cmd::ModeUsb: case Cmd::ModeSerial: case Cmd::Upload:
    case Cmd::About: case Cmd::StbReboot: case Cmd::New: case Cmd::OpenBackup:
        return true;
    case Cmd::PortSetup:
        return !m_Link.UsbMode();
    case Cmd::Save: case Cmd::SaveAs: case Cmd::Download: case Cmd::ApplyReference: case Cmd::ExportCsv:
    case Cmd::ExportList: case Cmd::ImportList:
    case Cmd::ViewSat: case Cmd::ViewTv: case Cmd::ViewRadio: case Cmd::ViewFav:
        return held;
    case Cmd::UndoSort:
        return held && ServiceView(m_View) && m_Undo.Available();
    case Cmd::Cut: case Cmd::Copy: case Cmd::Paste: case Cmd::Delete:
        return held && ServiceView(m_View);
    case Cmd::AddSat: case Cmd::DeleteSat: case Cmd::EditSat: case Cmd::AddTp: case Cmd::DeleteTp: case Cmd::EditTp:
        return held && m_View == kSatView;
    case Cmd::UpdateTps:
        return held && m_View == kSatView && m_CurSat >= 0;
    case Cmd::TvDeleteSvc: case Cmd::TvSort:
        return held && m_View == kTvView;
    case Cmd::RadioDeleteSvc: case Cmd::RadioSort:
        return held && m_View == kRadioView;
    case Cmd::AddFavGroup: case Cmd::DeleteFavGroup: case Cmd::EditFavGroup:
        return held && m_View == kFavView;
    case Cmd::UndoChange:
        return held && m_History.CanUndo();
    case Cmd::RedoChange:
        return held && m_History.CanRedo();
    case Cmd::History:
        return held && m_History.Started();
    case Cmd::Find:
        return held && m_View != kSatView;
    case Cmd::Print: case Cmd::ExportPdf:
        return held && m_pPrinter && (ServiceView(m_View) || (m_View == kFavView && m_FavGroup >= 0));
    case Cmd::Count:
        break;
    }
    return false;
}

bool CEditorController::Checked(Cmd cmd) const
{
    switch (cmd) {
    case Cmd::ModeUsb: return m_Link.UsbMode();
    case Cmd::ModeSerial: return !m_Link.UsbMode();
    case Cmd::ViewSat: return m_View == kSatView;
    case Cmd::ViewTv: return m_View == kTvView;
    case Cmd::ViewRadio: return m_View == kRadioView;
    case Cmd::ViewFav: return m_View == kFavView;
    default: return false;
    }
}

void CEditorController::Run(Cmd cmd)
{
    if (!Enabled(cmd))
        return;
    SvcKind kind = KindOfView(m_View);
    Describe(WithSubject(StepText(cmd, kind), Subject(cmd, kind)));
    switch (cmd) {
    case Cmd::New: break;   // bound to Ctrl+N and deliberately inert
    case Cmd::Open: OnOpen(); break;
    case Cmd::Save: OnSave(); break;
    case Cmd::SaveAs: OnSaveAs(); break;
    case Cmd::Exit: break;  // the window closes itself and asks OnLeave
    case Cmd::UndoSort: UndoSort(); break;
    case Cmd::Cut: Cut(kind); break;
    case Cmd::Copy: Copy(kind); break;
    case Cmd::Paste: Paste(kind); break;
    case Cmd::Delete: DeleteSelection(kind, true); break;
    case Cmd::ModeUsb: m_Link.SetUsbMode(true); Changed(kRefreshCommands); break;
    case Cmd::ModeSerial: m_Link.SetUsbMode(false); Changed(kRefreshCommands); break;
    case Cmd::PortSetup: m_Link.PortSetup(); break;
    case Cmd::Upload: OnUpload(); break;
    case Cmd::Download: m_Link.Download(); break;
    case Cmd::ViewSat: ShowView(kSatView); break;
    case Cmd::ViewTv: ShowView(kTvView); break;
    case Cmd::ViewRadio: ShowView(kRadioView); break;
    case Cmd::ViewFav: ShowView(kFavView); break;
    case Cmd::AddSat: AddSat(); break;
    case Cmd::DeleteSat: DeleteSat(); break;
    case Cmd::EditSat: EditSat(); break;
    case Cmd::AddTp: AddTp(); break;
    case Cmd::DeleteTp: DeleteTp(); break;
    case Cmd::EditTp: EditTp(); break;
    case Cmd::UpdateTps: UpdateTps(); break;
    case Cmd::TvDeleteSvc: DeleteSelection(kTvKind, false); break;
    case Cmd::RadioDeleteSvc: DeleteSelection(kRadioKind, false); break;
    case Cmd::TvSort: case Cmd::RadioSort: break;   // submenus; the items call Sort
    case Cmd::AddFavGroup: AddFavGroup(); break;
    case Cmd::DeleteFavGroup: DeleteFavGroup(); break;
    case Cmd::EditFavGroup: EditFavGroup(); break;
    case Cmd::About: m_Dialogs.About(); break;
    case Cmd::StbReboot: m_Link.StbReboot(); break;
    case Cmd::ApplyReference: ApplyReferenceList(); break;
    case Cmd::ExportCsv: ExportListCsv(); break;
    case Cmd::ExportList: ExportOtherList(); break;
    case Cmd::ImportList: ImportOtherList(); break;
    case Cmd::OpenBackup: OnOpenBackup(); break;
    case Cmd::Print: PrintList(); break;
    case Cmd::ExportPdf: ExportListPdf(); break;
    case Cmd::UndoChange: GoToChange(m_History.Position() - 1); break;
    case Cmd::RedoChange: GoToChange(m_History.Position() + 1); break;
    case Cmd::History: case Cmd::Find: break;   // windows of the frame
    case Cmd::Count: break;
    }
}

void CEditorController::ShowView(int view)
{
    m_View = view;
    m_bRadioEmptiedByDelete = false;
    ++m_MoveGesture;
    ClampSelections();
    if (view == kSatView && m_CurSat < 0 && m_Doc.m_SatCnt > 0)
        SelectSat(0);
    if (view == kFavView)
        m_FavGroup = m_Doc.m_FavCnt > 0 ? 0 : -1, m_FavMember = -1;
    UpdatePreview();
    Changed(kRefreshAll);
}

// Asks whether to save first; false when the user cancelled or the save did not happen.
bool CEditorController::AskSaveFirst(PromptIcon icon)
{
    PromptAnswer answer = m_Prompter.Ask(kSaveQuestion, kWarnningTitle, PromptButtons::YesNoCancel, icon);
    if (answer == PromptAnswer::Cancel)
        return false;
    return answer != PromptAnswer::Yes || OnSaveAs();
}

void CEditorController::Discard()
{
    DropRecovery();
    m_Doc.ClearSettings();
    m_Clip.Clear();
    m_History.Clear();
    m_FileName.reset();
    m_FileStamp.reset();
    m_bSaveAsNext = false;
    m_bEdited = false;
    Changed(kRefreshAll);
}

void CEditorController::ClearUndo()
{
    m_Undo.Clear();
    m_SortsAhead.clear();
    m_SortLabel.clear();
}

void CEditorController::AfterLoad(bool edited, const std::string& start)
{
    ++m_LoadCount;
    StartHistory(edited, start);
    m_CurSat = -1;
    m_TpSel.clear();
    m_TpCaret = -1;
    m_Svc[kTvKind] = {};
    m_Svc[kRadioKind] = {};
    if (!TunerNumberEnabled())
        m_Tuner = 0;
    m_bEdited = edited;
    ShowView(kSatView);
}

void CEditorController::OnUpload()
{
    if (Held() && !AskSaveFirst(PromptIcon::Warning))
        return;
    // What is on screen, its file name and edited flag stay until the STB's settings have
    // arrived: an upload that brings nothing back loses nothing.
    m_Link.Upload([this](bool uploaded) {
        if (!uploaded) {
            Changed(kRefreshAll);
            return;
        }
        DropRecovery();   // the edits on screen were given up at the question
        m_Clip.Clear();
        m_FileName.reset();
        m_FileStamp.reset();
        m_bSaveAsNext = false;
        ClearUndo();
        AfterLoad(true);
    });
}

void CEditorController::OnOpen()
{
    if (Held() && !AskSaveFirst(PromptIcon::Warning))
        return;
    ClearUndo();
    Changed(kRefreshCommands);
    std::optional<std::filesystem::path> path = m_Dialogs.ChooseOpenFile();
    if (!path)
        return;   // the loaded settings stay
    OpenAtStart(*path);
}

void CEditorController::OnOpenBackup()
{
    if (Held() && !AskSaveFirst(PromptIcon::Warning))
        return;
    std::optional<std::filesystem::path> path = m_Dialogs.ChooseBackup();
    if (!path)
        return;
    if (IsKeptRecoveryFile(*path)) {
        OpenKeptRecovery(*path);
        return;
    }
    if (!OpenAtStart(*path))
        return;
    m_FileName.reset();
    m_FileStamp.reset();
    Changed(kRefreshCommands);
    Say("Opened the backup " + path->filename().string());
}

void CEditorController::OpenKeptRecovery(const std::filesystem::path& path)
{
    Discard();
    ClearUndo();
    auto found = std::make_unique<COrvanel1Doc>();
    found->m_Revision = m_Doc.m_Revision;
    RecoveryInfo info;
    if (!ReadRecoveryFile(path, *found, info)) {
        Say("The recovery file " + path.string() + " cannot be read");
        return;
    }
    // An older state than the file may hold now: a save asks where.
    TakeRecovered(*found, info, info.fileName.has_value());
    Say("Opened the unsaved changes to " + DocumentText(info) + " of " + RecoveryTimeText(info.written));
}

void CEditorController::TakeRecovered(COrvanel1Doc& found, const RecoveryInfo& info, bool askWhereToSave)
{
    found.m_pPrompter = m_Doc.m_pPrompter;
    found.m_SideFileFolder = m_Doc.m_SideFileFolder;
    m_Doc = std::move(found);
    m_Clip.Clear();
    ClearUndo();
    m_FileName = info.fileName;
    m_FileStamp = info.fileStamp;
    m_bSaveAsNext = askWhereToSave;
    AfterLoad(true, "Recovered changes of " + RecoveryTimeText(info.written));
}

void CEditorController::Say(const std::string& text)
{
    if (m_pListener)
        m_pListener->ShowPassing(text);
}

bool CEditorController::OpenAtStart(const std::filesystem::path& path)
{
    Discard();
    ClearUndo();
    if (!Appl_OpenSettingsFile(m_Doc, path)) {
        Changed(kRefreshAll);
        return false;
    }
    m_FileName = path;
    m_FileStamp = StampOf(path);
    AfterLoad(false);
    return true;
}

bool CEditorController::OnSave()
{
    if (!m_FileName || m_bSaveAsNext)
        return OnSaveAs();
    return WriteFile(*m_FileName);
}

bool CEditorController::OnSaveAs()
{
    std::optional<std::filesystem::path> path = m_Dialogs.ChooseSaveFile(m_FileName);
    if (!path)
        return false;
    if (!WriteFile(*path))
        return false;
    m_FileName = *path;
    return true;
}

// A failed write keeps the edited flag, so that leaving still asks.
bool CEditorController::WriteFile(const std::filesystem::path& path)
{
    ClearUndo();
    bool saved = SaveSettingsFile(m_Doc, path) == SettingsFileResult::Ok;
    if (saved) {
        m_bEdited = false;
        m_bSaveAsNext = false;
        m_FileStamp = StampOf(path);
        DropRecovery();
        m_History.MarkSaved();
    }
    Changed(kRefreshCommands);
    if (saved)
        Say("Saved " + path.filename().string());
    return saved;
}

bool CEditorController::OnLeave()
{
    const bool edited = Edited();
    if (edited && !AskSaveFirst(PromptIcon::Question))
        return false;
    DropRecovery();
    if (edited)
        m_Doc.ClearSettings();
    return true;
}

bool CEditorController::OfferRecovery()
{
    if (!m_pRecovery || !m_pRecovery->Leftover())
        return false;
    auto found = std::make_unique<COrvanel1Doc>();
    found->m_Revision = m_Doc.m_Revision;
    RecoveryInfo info;
    if (!ReadRecoveryFile(m_pRecovery->Path(), *found, info)) {
        SetRecoveryAside(std::time(nullptr), "The recovery file of an earlier run cannot be read (damaged, cut short or "
                                             "of another program version); it was kept as ");
        return false;
    }
    const bool changed = FileChangedSince(info);
    std::string question = "Recover the unsaved changes to " + DocumentText(info) + " of " +
                           RecoveryTimeText(info.written) + "?\n\nNo keeps them in " +
                           m_pRecovery->AsideFolder().string() + ", where File > Open Backup... opens them.";
    if (changed)
        question += "\n\n" + info.fileName->filename().string() +
                    " has changed since; saving the recovered changes will ask where to save.";
    if (m_Prompter.Ask(question, "Notice", PromptButtons::YesNo, PromptIcon::Question) != PromptAnswer::Yes) {
        SetRecoveryAside(info.written, "The unsaved changes were kept as ");
        return false;
    }
    TakeRecovered(*found, info, changed);
    m_Recorded = RecoveryState();   // the file holds these edits and stays until they are saved
    m_RecoveryDue.reset();
    return true;
}

void CEditorController::SetRecoveryAside(std::time_t written, const std::string& said)
{
    FileFailure failure;
    const auto aside = m_pRecovery->MoveAside(written, &failure);
    Say(aside ? said + aside->string() : "The recovery file stays as it was: " + failure.Describe());
}

void CEditorController::ArmRecovery()
{
    NoteRecoveryFailure();
    if (!m_pRecovery || m_RecoveryDue || !Edited() || m_Recorded == RecoveryState())
        return;
    m_RecoveryDue = std::chrono::steady_clock::now() + kRecoveryInterval;
    if (m_pListener)
        m_pListener->WakeAfter(kRecoveryInterval);
}

void CEditorController::KeepRecovery(std::chrono::steady_clock::time_point now)
{
    NoteRecoveryFailure();
    if (!m_RecoveryDue)
        return;
    if (now < *m_RecoveryDue) {
        if (m_pListener)
            m_pListener->WakeAfter(std::chrono::ceil<std::chrono::milliseconds>(*m_RecoveryDue - now));
        return;
    }
    m_RecoveryDue.reset();
    if (!m_pRecovery || !Edited() || m_Recorded == RecoveryState())
        return;
    // The copy is all the window's thread does; encoding and writing happen on the keeper's.
    m_pRecovery->Write(std::make_unique<COrvanel1Doc>(m_Doc), {m_FileName, std::time(nullptr), m_FileStamp});
    m_Recorded = RecoveryState();
    if (m_pListener)   // to hear of a failed write
        m_pListener->WakeAfter(kRecoveryCheck);
}

// A write that failed leaves the edits unrecorded, so that the next change tries again; the
// status line says so once until a write succeeds.
void CEditorController::NoteRecoveryFailure()
{
    if (!m_pRecovery)
        return;
    const FileFailure failure = m_pRecovery->LastFailure();
    if (!failure) {
        m_bRecoveryFailureSaid = false;
        return;
    }
    if (!Edited())
        return;
    m_Recorded.reset();
    if (!m_bRecoveryFailureSaid)
        Say("Unsaved changes are not protected against a crash: " + failure.Describe());
    m_bRecoveryFailureSaid = true;
}

void CEditorController::DropRecovery()
{
    m_RecoveryDue.reset();
    m_Recorded.reset();
    if (m_pRecovery)
        m_pRecovery->Remove();
}

bool CEditorController::TunerNumberEnabled() const
{
    return settings::TunerNumberSelectable(m_Doc.m_FlashHeader.modelId, m_Doc.m_FlashHeader.layoutVersion);
}

void CEditorController::SetTuner(int tuner)
{
    m_Tuner = TunerNumberEnabled() && tuner == 1 ? 1 : 0;
    m_bLnbUserChosen = false;
    Changed(kRefreshLnb);
}

void CEditorController::Sort(SvcKind kind, int type)
{
    if (!Held() || m_View != (kind == kTvKind ? kTvView : kRadioView))
        return;
    Describe(SortDescription(type));
    if (!ChList_Sort(m_Doc, m_Undo, type, kind))
        return;
    UndoPushed();
    Changed(kRefreshSvcLines | kRefreshSvcPanel | kRefreshCommands);
}

// The snapshot holds the settings of the history's current step.
void CEditorController::UndoPushed()
{
    m_Undo.MarkLast(m_History.StepNumber());
    m_SortLabel = m_Undo.LastDescription();
}

void CEditorController::UndoSort()
{
    std::string sort = m_Undo.LastDescription();
    sort.erase(sort.find_last_not_of(" \t") + 1);
    const bool undone = Appl_UndoSort(m_Doc, m_Undo);
    m_SortLabel = m_Undo.LastDescription();
    ClampSelections();
    Changed(Held() ? kRefreshSvcList | kRefreshSvcSelection | kRefreshSvcPanel | kRefreshCommands : kRefreshAll);
    if (undone && m_pListener)
        m_pListener->ShowPassing("Returned to the list before \"" + sort + "\"");
}

void CEditorController::Changed(unsigned parts)
{
    if (m_Doc.m_Revision.Current() != m_SeenRevision)
        parts |= AfterDocChange();
    if (m_pListener)
        m_pListener->Refresh(parts);
    ArmRecovery();
}
