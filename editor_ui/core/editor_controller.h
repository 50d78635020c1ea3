// The editor's main window without widgets: the current view, the edited flag, the file
// name, the sort label, the selections of the four views, the enabling rule of every
// command, and what each command does to the document, with its questions through the
// Prompter. The window wires its widgets to it and redraws what Refresh names.
#pragma once
#include "editing/svc_clipboard.h"
#include "editing/svc_edit.h"
#include "editing/svc_sort.h"
#include "editor_ui/core/change_history.h"
#include "editor_ui/core/editor_host.h"
#include "editor_ui/core/lnb_panel.h"
#include "editor_ui/core/svc_filter.h"
#include "settings/recovery_file.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/prompter.h"

class CRecoveryKeeper;

enum EditorView : int { kSatView = 0, kTvView, kRadioView, kFavView };

enum class Cmd {
    New, Open, Save, SaveAs, Exit,
    UndoSort, Cut, Copy, Paste, Delete,
    ModeUsb, ModeSerial, PortSetup,
    Upload, Download,
    ViewSat, ViewTv, ViewRadio, ViewFav,
    AddSat, DeleteSat, EditSat, AddTp, DeleteTp, EditTp,
    TvDeleteSvc, TvSort, RadioDeleteSvc, RadioSort,
    AddFavGroup, DeleteFavGroup, EditFavGroup,
    About, StbReboot,
    ApplyReference, ExportCsv, OpenBackup, ExportList, ImportList,
    UndoChange, RedoChange, History, Find,
    Print, ExportPdf, UpdateTps,
    Count
};

// What the window redraws after a change.
enum RefreshPart : unsigned {
    kRefreshView = 1u << 0,        // which view shows, and everything in it
    kRefreshSatList = 1u << 1,     // satellite box, TP list, previews, LNB panel
    kRefreshPreview = 1u << 2,
    kRefreshLnb = 1u << 3,
    kRefreshSvcList = 1u << 4,     // the service list's rows (count may change)
    kRefreshSvcLines = 1u << 5,    // the lines only, same count
    kRefreshSvcSelection = 1u << 6,
    kRefreshSvcPanel = 1u << 7,
    kRefreshFav = 1u << 8,
    kRefreshCommands = 1u << 9,    // enabling, checks, sort label
    kRefreshHistory = 1u << 10,    // the history's steps or position
    kRefreshAll = ~0u
};

class EditorListener {
public:
    virtual ~EditorListener() = default;
    virtual void Refresh(unsigned parts) = 0;
    // The in-place editor is to open over the service's line.
    virtual void BeginRename(SvcKind, uint32_t) {}
    // KeepRecovery is to run once this time has passed.
    virtual void WakeAfter(std::chrono::milliseconds) {}
    // A message for the status line that passes after a few seconds.
    virtual void ShowPassing(const std::string&) {}
};

struct SvcListState {
    std::vector<uint32_t> selection;   // ascending
    int caret = -1;
};

enum class FieldResult { Written, Invalid };
enum class LnbField { Power, Diseqc10, Tone22k, Type, Diseqc11, Connection };

class CEditorController {
public:
    static constexpr size_t kRenameChars = 22;

    CEditorController(COrvanel1Doc& doc, Prompter& prompter, EditorDialogs& dialogs, EditorLink& link);

    void SetListener(EditorListener* listener) { m_pListener = listener; }
    void Redraw(unsigned parts) { Changed(parts); }
    const COrvanel1Doc& Doc() const { return m_Doc; }
    // "Print..." and "Export as PDF..." need a printer; they put the list in view on paper as
    // the view shows it (a filtered list only its shown services).
    void SetPrinter(ListPrinter* printer) { m_pPrinter = printer; }

    // State
    int View() const { return m_View; }
    bool Held() const { return m_Doc.m_bLoaded; }
    // Set by every change of the document (its revision differs from the one loaded or saved),
    // by an upload and by a copy; it alone decides whether leaving asks to save.
    bool Edited() const { return Held() && (m_bEdited || m_Doc.m_Revision.Edited()); }
    const std::optional<std::filesystem::path>& FileName() const { return m_FileName; }
    const std::string& SortLabel() const { return m_SortLabel; }
    const CSortUndo& Undo() const { return m_Undo; }
    const CChangeHistory& History() const { return m_History; }
    // Returns the settings to those after the history's entry (Undo Change, Redo Change and
    // the History window).
    void GoToChange(size_t index);

    // Commands
    bool Enabled(Cmd cmd) const;
    bool Checked(Cmd cmd) const;
    void Run(Cmd cmd);
    void Sort(SvcKind kind, int type);

    // Algorithms of the frame: upload, open, save, save as, leaving.
    void OnUpload();
    void OnOpen();
    // "Open Backup...": Open's question, then a backup chosen in its window, left without a
    // file name so that Save asks where.
    void OnOpenBackup();
    bool OnSave();
    bool OnSaveAs();
    // Leaving: true when the program may close.
    bool OnLeave();
    // The file named on the command line, opened as Open does, without the question.
    bool OpenAtStart(const std::filesystem::path& path);

    // Recovery of unsaved edits: while the edited flag is set, a copy of the document goes to
    // the keeper at most every kRecoveryInterval after a change; a save, a discard and leaving
    // remove it.
    static constexpr std::chrono::seconds kRecoveryInterval{5};
    static constexpr std::chrono::seconds kRecoveryCheck{1};
    void SetRecovery(CRecoveryKeeper* keeper) { m_pRecovery = keeper; }
    // At start: offers the file an editor left behind; Yes loads it (edited, with its file
    // name; when that file changed since, the next save asks where), No moves it aside, and so
    // does a file that cannot be read. True when the recovered settings are shown.
    bool OfferRecovery();
    // The listener's wake-up: writes the recovery file when its time has come.
    void KeepRecovery(std::chrono::steady_clock::time_point now);
    void ShowView(int view);

    // Satellite view
    int CurrentSat() const { return m_CurSat; }
    void SelectSat(int sat);
    void SetTpSelection(std::vector<uint32_t> selection, int caret);
    const std::vector<uint32_t>& TpSelection() const { return m_TpSel; }
    int TpCaret() const { return m_TpCaret; }
    const std::vector<uint32_t>& PreviewRows(SvcKind kind) const { return m_Preview[kind]; }
    bool TunerNumberEnabled() const;
    int Tuner() const { return m_Tuner; }
    void SetTuner(int tuner);
    LnbPanelState Lnb() const;
    void SetLnb(LnbField field, int value);
    // The "Low" edit; refuses what is not an integer from 0 to 16383.
    FieldResult SetLnbLow(const std::string& text, bool report);

    // Service views
    static SvcKind KindOfView(int view) { return view == kRadioView ? kRadioKind : kTvKind; }
    const SvcListState& SvcState(SvcKind kind) const { return m_Svc[kind]; }
    void SetSvcSelection(SvcKind kind, std::vector<uint32_t> selection, int caret);
    // "No TV Service", "No Ridio Service", or "No Radio Service" after a deletion emptied the list.
    std::string EmptyText(SvcKind kind) const;
    bool CanRename(SvcKind kind) const;
    bool CanCut(SvcKind kind) const;
    bool CanPaste(SvcKind kind) const;
    void Rename(SvcKind kind);
    void CommitRename(SvcKind kind, uint32_t pos, const std::string& text);
    // The Delete key and the popup's Delete: ask, then delete.
    void DeleteAsked(SvcKind kind);
    // Shift+arrow: the contiguous selection holding the caret moves one step (-1 up, +1 down).
    bool MoveBlock(SvcKind kind, int step);
    void OpenServiceName(SvcKind kind);
    void ToggleCas(SvcKind kind);
    void ToggleLock(SvcKind kind);
    void SetTunerNum(SvcKind kind, uint8_t tunerNum);
    // The panel edits write the service at the caret; an invalid text is refused (with the
    // framework's message when `report`), and so is every edit unless PanelEditable.
    FieldResult SetPid(SvcKind kind, SvcPidField field, const std::string& text, bool report);
    // The service at the caret is the one selected.
    bool PanelEditable(SvcKind kind) const;

    // Find and filter. A filtered list shows the matching services at their true positions;
    // selections and carets stay positions in the list, of shown services only.
    const SvcFilter& Filter(SvcKind kind) const { return m_Filter[kind]; }
    void SetFilter(SvcKind kind, SvcFilter filter);
    uint32_t ShownCount(SvcKind kind) const;
    uint32_t ShownPos(SvcKind kind, uint32_t row) const;
    int ShownRow(SvcKind kind, uint32_t pos) const;   // -1 when hidden
    // Selects the next shown service (in the favourite view, member) whose name holds
    // `text`; false when none does.
    bool Find(const std::string& text, FindStep step);

    // Favourite view
    int FavGroup() const { return m_FavGroup; }
    void SelectFavGroup(int slot);
    int FavMember() const { return m_FavMember; }
    void SetFavMember(int member);
    void DeleteFavMemberAsked();

private:
    void Cut(SvcKind kind);
    void ApplyReferenceList();
    void ExportListCsv();
    void PrintList();
    void ExportListPdf();
    ListPrintout ViewPrintout() const;
    void ExportOtherList();
    void ImportOtherList();
    bool AskSaveFirst(PromptIcon icon);
    void Discard();
    // `start` names the history's first step when it is not the usual one.
    void AfterLoad(bool edited, const std::string& start = {});
    void OpenKeptRecovery(const std::filesystem::path& path);
    void TakeRecovered(COrvanel1Doc& found, const RecoveryInfo& info, bool askWhereToSave);
    // Moves the recovery file into the backups and says where, after `said`.
    void SetRecoveryAside(std::time_t written, const std::string& said);
    void NoteRecoveryFailure();
    // A line for the status bar.
    void Say(const std::string& text);
    bool WriteFile(const std::filesystem::path& path);
    void ClearUndo();
    void UndoPushed();
    void UndoSort();
    // After a history step: the sorts it took back are undone already (restoring their
    // snapshots would drop every change made since) and wait aside until a step redoes them.
    void FollowSortsToStep();
    void Copy(SvcKind kind);
    void Paste(SvcKind kind);
    void DeleteSelection(SvcKind kind, bool clearClip);
    void AfterDelete(SvcKind kind, uint32_t firstRemoved);
    void AddSat();
    void DeleteSat();
    void EditSat();
    void AddTp();
    void DeleteTp();
    void EditTp();
    void UpdateTps();
    void AddFavGroup();
    void DeleteFavGroup();
    void EditFavGroup();
    void UpdatePreview();
    void ClampSelections();
    LnbBlock* ChosenLnb();
    void Changed(unsigned parts);
    // What the recovery file would have to hold: the document's revision, and which load.
    std::pair<uint64_t, uint64_t> RecoveryState() const { return {m_LoadCount, m_Doc.m_Revision.Current()}; }
    void ArmRecovery();
    void DropRecovery();
    // Names the change the command about to run makes, for its history step.
    void Describe(std::string text, std::string mergeKey = {});
    std::string Subject(Cmd cmd, SvcKind kind) const;
    // The step named after the selected services, a satellite or a favourite group.
    void DescribeSvc(SvcKind kind, const std::string& action, std::string mergeKey = {});
    void DescribeSat(int sat, const std::string& step, std::string mergeKey = {});
    void DescribeFav(int group, const std::string& step);
    // Typing into one field of one service makes one step.
    void DescribePid(SvcKind kind, uint32_t pos, SvcPidField field, uint32_t value);
    void StartHistory(bool edited, const std::string& start);
    unsigned AfterDocChange();
    // The filters follow their items, and the filtered lists' shown services again; true when
    // a filter, the shown services or the selections changed.
    bool Refilter();
    bool KeepSelectionShown(SvcKind kind);
    bool FindSvc(SvcKind kind, const std::string& text, FindStep step);
    bool FindFavMember(const std::string& text, FindStep step);

    COrvanel1Doc& m_Doc;
    Prompter& m_Prompter;
    EditorDialogs& m_Dialogs;
    EditorLink& m_Link;
    EditorListener* m_pListener = nullptr;
    CSortUndo m_Undo;
    std::vector<CSortUndo::Entry> m_SortsAhead;   // the next to redo last
    CSvcClipboard m_Clip;
    CChangeHistory m_History;
    uint64_t m_SeenRevision = 0;   // the document's revision the history has taken in
    std::string m_StepText;
    std::string m_StepKey;
    SvcFilter m_Filter[2];
    FilterSeen m_FilterSeen[2];         // what the filters named when last set or followed
    std::vector<uint32_t> m_Shown[2];   // positions a filtered list shows

    int m_View = kSatView;
    bool m_bEdited = false;   // an upload or a copy, which change no table
    std::optional<std::filesystem::path> m_FileName;
    std::optional<FileStamp> m_FileStamp;   // of m_FileName when opened or last saved
    bool m_bSaveAsNext = false;             // the file changed under recovered edits
    std::string m_SortLabel;
    int m_CurSat = -1;
    std::vector<uint32_t> m_TpSel;
    int m_TpCaret = -1;
    int m_Tuner = 0;
    bool m_bLnbUserChosen = false;   // "User" stays shown until the panel reads a block again
    std::vector<uint32_t> m_Preview[2];
    SvcListState m_Svc[2];
    uint64_t m_MoveGesture = 0;   // moves of one block fold into one step until the selection changes
    bool m_bRadioEmptiedByDelete = false;
    int m_FavGroup = -1;
    int m_FavMember = -1;
    CRecoveryKeeper* m_pRecovery = nullptr;
    ListPrinter* m_pPrinter = nullptr;
    uint64_t m_LoadCount = 0;
    std::optional<std::pair<uint64_t, uint64_t>> m_Recorded;   // what the recovery file holds
    std::optional<std::chrono::steady_clock::time_point> m_RecoveryDue;
    bool m_bRecoveryFailureSaid = false;
};

// How the history names the change a menu command makes ("TV Service : Cut"); empty for a
// command that changes no settings.
std::string StepText(Cmd cmd, SvcKind kind);
// "TV Service : " or "Radio Service : " and the action.
std::string SvcStepText(SvcKind kind, const std::string& action);
// A step's name with what it changed: "TV Service : Rename (BBC One)".
std::string WithSubject(const std::string& step, const std::string& subject);
// The first service's name, and how many more there are.
std::string SvcSubject(const COrvanel1Doc& doc, SvcKind kind, const std::vector<uint32_t>& positions);

// The framework's check of an integer edit ("Please enter a positive integer.", "Please
// enter an integer between 0 and %d."); the message is shown when `report`.
FieldResult CheckIntegerField(Prompter& prompter, const std::string& text, uint32_t max, uint32_t& value, bool report);
