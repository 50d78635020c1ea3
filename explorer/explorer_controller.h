// The explorer window without its widgets: both panes, the STB's arrival and removal,
// listings on worker threads, enabling, keys, file operations, copy jobs and the paths
// kept in the profile. The window supplies an ExplorerWindowPort and draws.
#pragma once
#include "explorer/copy_engine.h"
#include "explorer/device_watch.h"
#include "explorer/file_ops.h"
#include "explorer/listing_threads.h"
#include "explorer/pane_controller.h"
#include "explorer/pc_listing.h"

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

namespace explorer {

// What the window does for the controller. RunOnUi may be called from any thread.
class ExplorerWindowPort {
public:
    virtual ~ExplorerWindowPort() = default;
    virtual std::vector<size_t> SelectedIndexes(PaneSide side) = 0;
    virtual void RowsChanged(PaneSide side) = 0;
    virtual void TextsChanged(PaneSide side) = 0;  // path box and disk line
    virtual void EnablingChanged() = 0;
    virtual void FocusList(PaneSide side) = 0;
    virtual void SetPolling(bool on) = 0;  // the kDevicePollMs timer
    virtual void EditLabel(PaneSide side, size_t row) = 0;
    virtual void RunOnUi(std::function<void()> fn) = 0;
    virtual void RunLater(unsigned ms, std::function<void()> fn) = 0;
};

struct PcVolume {
    std::string name;  // display name
    uint64_t freeBytes = 0;
    uint64_t totalBytes = 0;
};

// The desktop's answers about PC files (type names, the volume of a folder) and its "open" action.
struct PcDesktop {
    PcTypeNamer typeName;
    std::function<std::optional<PcVolume>(const std::string& folder)> volumeOf;
    ShellOpener* opener = nullptr;
};

struct ExplorerParts {
    Prompter& prompter;
    ProgressView& progress;
    ConflictAsker& asker;
    EventSink& events;
    TimerService& timers;
    ExplorerWindowPort& port;
    PcDesktop desktop;
    std::function<uint64_t()> nowMs;
    std::function<int()> random;  // 0..32767, for new folder names
};

class CExplorerController : public ExplorerHost {
public:
    explicit CExplorerController(ExplorerParts parts);
    ~CExplorerController() override;

    // Start of the window with the saved paths; an empty PC path means home.
    void Start(const std::string& pcPath, const std::string& pvrPath);
    // The window closes: the job is cancelled, turbo goes off; returns the paths to save.
    std::pair<std::string, std::string> Close();

    // Events of the window's queue: transfers (4000..4009) and device notices (6000, 6001).
    void OnEvent(uint32_t id, uint32_t value);
    void OnPollTick();
    void OnDeviceArrival();
    void OnDeviceRemoval();

    CPaneController& Pane(PaneSide side) { return side == PaneSide::Pvr ? m_PvrPane : m_PcPane; }
    PvrSession& Session() { return m_Session; }
    CopyEngine& Engine() { return *m_Engine; }
    // The folders that actions use: those whose rows the panes show (a drop's folder while its job runs).
    std::string PcFolder() const { return FolderOf(PaneSide::Pc); }
    std::string PvrFolder() const { return FolderOf(PaneSide::Pvr); }

    // Enabling.
    bool SideEnabled(PaneSide side) const;
    bool NewFolderEnabled(PaneSide side) const { return SideEnabled(side) && !Pane(side).NewFolderMode(); }
    bool JobRunning() const { return m_bJob; }
    bool TurboOn() const { return m_Session.m_bTurboButton; }
    bool Grid() const { return m_bGrid; }
    void SetGrid(bool on) { m_bGrid = on; }

    // Keys of the window: Enter and F5 at most once per 555 ms.
    bool TakeEnterKey() { return m_EnterKey.Take(m_Parts.nowMs()); }
    bool TakeF5Key() { return m_F5Key.Take(m_Parts.nowMs()); }

    // Commands.
    void Refresh(PaneSide side);  // F5, the Refresh button and menu item
    void RefreshButton(PaneSide side);
    void Up(PaneSide side);
    void Open(PaneSide side, size_t row);  // double-click on a row
    void EnterOnList(PaneSide side);       // Enter in a list
    void PathEntered(PaneSide side, const std::string& text);
    bool DriveChosen(const std::string& root);
    void SetView(PaneSide side, ViewMode mode) { Pane(side).SetView(mode); }
    void SortBy(PaneSide side, PaneColumn column);
    void Delete(PaneSide side);
    void BeginNewFolder(PaneSide side);
    void EndLabelEdit(PaneSide side, size_t row, const std::string& text);
    // Escape on a label: a new folder's row goes and nothing is made.
    void CancelLabelEdit(PaneSide side, size_t row);
    void BeginRename(PaneSide side);
    void Copy(PaneSide side);
    void Cut(PaneSide side);
    void Paste(PaneSide side);
    void Execute();
    void CopyButton(Direction direction);
    void PressTurbo();
    bool ClipboardEmpty() const { return m_Clipboard.Empty(); }
    // A PC row cut to the clipboard, shown with the list's cut look.
    bool IsCutRow(PaneSide side, const PaneRow& row) const
    {
        return side == PaneSide::Pc && m_PcCutFolder == m_PcFolder && m_PcCut.count(row.name) > 0;
    }
    bool LineIdle() const { return m_Session.m_bUsbIdle; }

    // Drag and drop between the panes.
    bool CanDrag(PaneSide side) const;
    bool CanDropOn(PaneSide target, std::optional<size_t> row) const;
    void Drop(PaneSide target, std::optional<size_t> folderRow);

    // ExplorerHost, for the copy engine and file operations.
    std::string Folder(PaneSide side) override;
    std::vector<PaneRow> SelectedRows(PaneSide side) override;
    void EnableControls(bool enabled) override;
    void RefreshPane(PaneSide side) override;
    void JobEnded(JobOutcome outcome) override;

private:
    const CPaneController& Pane(PaneSide side) const { return side == PaneSide::Pvr ? m_PvrPane : m_PcPane; }
    std::string FolderOf(PaneSide side) const;
    // The PC pane may be listed on the user's request: no job and no listing runs.
    bool PcMayRefresh() const { return !m_bJob && !m_bPcListing; }
    // Lists the pane again; a PC listing supersedes one still running.
    void Relist(PaneSide side);
    void RefreshPvr();
    void ListPc();
    void OnPvrListed(uint32_t device, PaneRefresh result, std::vector<PaneRow> rows, std::string pathText,
                     std::optional<DiskQuery> disk);
    void OnPcListed(uint32_t request, PcListing listing, std::string folder);
    void WritePvrDisk(const DiskQuery& query);
    void WritePcDisk();
    bool ChangePcFolder(const std::string& folder);
    void StartJob(Direction direction);
    void RestoreDropFolder();

    ExplorerParts m_Parts;
    PvrSession m_Session;
    std::unique_ptr<CopyEngine> m_Engine;
    DeviceNotices m_DeviceNotices;
    CPaneController m_PvrPane{PaneSide::Pvr};
    CPaneController m_PcPane{PaneSide::Pc};
    PvrPanePath m_PvrPath;
    std::string m_PvrShown;   // the folder whose rows the PVR pane shows
    std::string m_PcFolder;   // the folder whose rows the PC pane shows
    std::string m_PcWanted;   // the folder of the latest PC listing
    uint32_t m_PcRequest = 0;  // serial of the latest PC listing; an older one's rows are dropped
    bool m_bPcListing = false;
    bool m_bPvrListing = false;
    uint32_t m_DeviceSerial = 0;  // rises at each removal; a listing of a removed STB is dropped
    bool m_bArrivalDue = false;   // the STB arrived while a listing from before its removal ran
    ExplorerClipboard m_Clipboard;
    KeyDebounce m_EnterKey;
    KeyDebounce m_F5Key;
    bool m_bPvrReady = false;       // the STB's first listing completed
    bool m_bJob = false;
    bool m_bGrid = true;
    bool m_bClosed = false;
    std::optional<std::pair<PaneSide, std::string>> m_DropFolder;
    std::set<std::string> m_PcCut;
    std::string m_PcCutFolder;
    CListingThreads m_Listings;
};

}  // namespace explorer
