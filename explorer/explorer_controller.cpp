#include "explorer/explorer_controller.h"
#include "explorer/pc_files.h"

#include <chrono>
#include <utility>

namespace explorer {

namespace {

// Collects what a PVR listing produces on its thread; the GUI thread takes it over.
class CollectingPaneView : public PvrPaneView {
public:
    std::vector<PaneRow> rows;
    std::string pathText;
    std::optional<DiskQuery> disk;  // set when the listing ended with its end packet or cut short
    void ClearRows() override { rows.clear(); }
    void InsertRow(size_t position, const PaneRow& row) override
    {
        rows.insert(rows.begin() + long(std::min(position, rows.size())), row);
    }
    void ShowPath(const std::string& text) override { pathText = text; }
    void ListingComplete(bool, const DiskQuery& query) override { disk = query; }
    void ListingFailed() override {}
};

bool CanOpenFolder(const std::string& folder)
{
    return !folder.empty() && ForEachPcEntry(folder, [](const std::string&, const PcEntryInfo*) { return false; });
}

std::string TrimText(const std::string& text)
{
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

CExplorerController::CExplorerController(ExplorerParts parts)
    : m_Parts(std::move(parts)),
      m_Engine(std::make_unique<CopyEngine>(m_Session, *this, m_Parts.progress, m_Parts.asker, m_Parts.prompter,
                                            m_Parts.events, m_Parts.timers)),
      m_DeviceNotices(m_Parts.events)
{
}

CExplorerController::~CExplorerController()
{
    m_Listings.JoinAll();
    m_Engine.reset();
}

void CExplorerController::Start(const std::string& pcPath, const std::string& pvrPath)
{
    m_PcFolder = m_PcWanted = CanOpenFolder(pcPath) ? pcPath : PcHomeFolder();
    m_PcPane.SetPathText(PcPathText(m_PcFolder));
    m_PvrPath.Set(pvrPath);
    m_PvrShown = pvrPath;
    if (StartDeviceWatch(m_DeviceNotices.Window()))
        OnDeviceArrival();
    else
        m_Parts.port.SetPolling(true);
    m_Parts.port.EnablingChanged();
    WritePcDisk();
    ListPc();
}

std::pair<std::string, std::string> CExplorerController::Close()
{
    m_bClosed = true;
    m_Parts.port.SetPolling(false);
    if (m_Engine->JobActive())
        m_Engine->CloseDuringJob();
    m_Listings.JoinAll();
    if (m_Session.m_bTurboActive && m_Session.m_bConnected) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        PvrTurboOnLine(false);  // a cancelled job may still hold the line
        m_Session.m_bTurboActive = false;
    }
    RestoreDropFolder();
    return {m_PcWanted, m_PvrPath.Current()};
}

void CExplorerController::OnEvent(uint32_t id, uint32_t value)
{
    if (m_bClosed)
        return;
    if (IsDeviceNotice(id)) {
        DeviceChange change = m_DeviceNotices.Handle(id);
        if (change == DeviceChange::Arrived)
            OnDeviceArrival();
        else if (change == DeviceChange::Removed)
            OnDeviceRemoval();
        return;
    }
    m_Engine->OnTransferEvent(id, value);
}

void CExplorerController::OnPollTick()
{
    if (!m_Session.m_bConnected && PollDeviceOpen())
        OnDeviceArrival();
}

void CExplorerController::OnDeviceArrival()
{
    if (m_Session.m_bConnected)
        return;
    m_Parts.port.SetPolling(false);
    if (m_bPvrListing) {
        m_bArrivalDue = true;  // the listing begun before the removal ends first
        return;
    }
    m_Engine->OnDeviceArrived();
    RefreshPvr();
}

void CExplorerController::OnDeviceRemoval()
{
    ++m_DeviceSerial;
    m_bArrivalDue = false;
    m_Engine->OnDeviceRemoved();
    m_Session.m_bTurboButton = false;
    m_bPvrReady = false;
    m_PvrPane.SetRows({});
    m_PvrPane.SetDiskLine("");
    m_Parts.port.RowsChanged(PaneSide::Pvr);
    m_Parts.port.TextsChanged(PaneSide::Pvr);
    m_Parts.port.EnablingChanged();
}

bool CExplorerController::SideEnabled(PaneSide side) const
{
    if (m_bJob)
        return false;
    return side == PaneSide::Pc || (m_bPvrReady && m_Session.m_bConnected);
}

void CExplorerController::Refresh(PaneSide side)
{
    if (side == PaneSide::Pvr || PcMayRefresh())
        Relist(side);
}

void CExplorerController::Relist(PaneSide side)
{
    if (side == PaneSide::Pvr)
        RefreshPvr();
    else
        ListPc();
}

void CExplorerController::RefreshButton(PaneSide side)
{
    if (Pane(side).TakeRefreshButton(m_Parts.nowMs()))
        Refresh(side);
}

// The line is taken here, so that no command of the window acts on the new folder
// before its rows are shown.
void CExplorerController::RefreshPvr()
{
    if (!m_Session.m_bConnected || !m_Session.TakeLine())
        return;
    m_bPvrListing = true;
    m_Listings.Start([this, device = m_DeviceSerial] {
        CollectingPaneView view;
        PaneRefresh result = RefreshPvrPaneOnLine(m_PvrPath, view);
        m_Session.ReleaseLine();
        m_Parts.port.RunOnUi([this, device, result, rows = std::move(view.rows), path = std::move(view.pathText),
                              disk = view.disk]() mutable {
            OnPvrListed(device, result, std::move(rows), std::move(path), disk);
        });
    });
}

void CExplorerController::OnPvrListed(uint32_t device, PaneRefresh result, std::vector<PaneRow> rows,
                                      std::string pathText, std::optional<DiskQuery> disk)
{
    m_bPvrListing = false;
    if (m_bClosed)
        return;
    if (device != m_DeviceSerial) {
        if (std::exchange(m_bArrivalDue, false))
            OnDeviceArrival();
        return;
    }
    m_PvrPane.SetPathText(std::move(pathText));
    if (result == PaneRefresh::Failed) {
        // The path fell back: rows of another folder must not stay under it.
        if (m_PvrPath.Current() != m_PvrShown) {
            m_PvrShown = m_PvrPath.Current();
            m_PvrPane.SetRows({});
            m_Parts.port.RowsChanged(PaneSide::Pvr);
        }
        m_Parts.port.TextsChanged(PaneSide::Pvr);
        m_Parts.port.RunLater(50, [this] {
            if (m_Session.m_bConnected && m_Session.m_bUsbIdle && !m_bClosed)
                RefreshPvr();
        });
        return;
    }
    m_PvrPane.SetRows(std::move(rows));
    m_PvrShown = m_PvrPath.Current();
    m_Parts.port.RowsChanged(PaneSide::Pvr);
    if (disk) {
        m_bPvrReady = true;
        WritePvrDisk(*disk);
        m_Parts.port.EnablingChanged();
    }
    m_Parts.port.TextsChanged(PaneSide::Pvr);
}

void CExplorerController::WritePvrDisk(const DiskQuery& query)
{
    if (query.status == DiskStatus::Busy)
        return;  // the line was taken; the next listing writes the line
    if (query.disk)
        m_PvrPane.SetDiskLine(PvrDiskLine(query.disk->freeKb, query.disk->totalKb));
    else
        m_PvrPane.SetDiskLine(PvrDiskLine(uint32_t(query.error), uint32_t(query.error)));
    m_Parts.port.TextsChanged(PaneSide::Pvr);
}

void CExplorerController::ListPc()
{
    if (m_PcWanted.empty())
        return;
    m_bPcListing = true;
    m_Listings.Start([this, request = ++m_PcRequest, folder = m_PcWanted] {
        PcListing listing = ListPcFolder(folder, m_Parts.desktop.typeName);
        m_Parts.port.RunOnUi([this, request, listing = std::move(listing), folder]() mutable {
            OnPcListed(request, std::move(listing), std::move(folder));
        });
    });
}

// The folder, its path text and its rows change together, when the rows are there.
void CExplorerController::OnPcListed(uint32_t request, PcListing listing, std::string folder)
{
    if (m_bClosed || request != m_PcRequest)
        return;
    m_bPcListing = false;
    m_PcFolder = std::move(folder);
    m_PcPane.SetRows(std::move(listing.rows));
    m_PcPane.SetPathText(PcPathText(m_PcFolder));
    m_Parts.port.RowsChanged(PaneSide::Pc);
    WritePcDisk();
    m_Parts.port.FocusList(PaneSide::Pc);
}

void CExplorerController::WritePcDisk()
{
    std::optional<PcVolume> volume = m_Parts.desktop.volumeOf ? m_Parts.desktop.volumeOf(m_PcFolder) : std::nullopt;
    m_PcPane.SetDiskLine(volume ? PcDiskLine(volume->name, volume->freeBytes, volume->totalBytes) : "");
    m_Parts.port.TextsChanged(PaneSide::Pc);
}

bool CExplorerController::ChangePcFolder(const std::string& folder)
{
    if (!CanOpenFolder(folder))
        return false;
    m_PcWanted = folder;
    ListPc();
    return true;
}

void CExplorerController::Up(PaneSide side)
{
    if (side == PaneSide::Pc) {
        if (PcMayRefresh())
            ChangePcFolder(PcParent(m_PcFolder));
        return;
    }
    if (!m_Session.m_bUsbIdle)
        return;
    m_PvrPath.Set(PvrParent(m_PvrPath.Current()));
    RefreshPvr();
}

void CExplorerController::Open(PaneSide side, size_t index)
{
    const std::vector<PaneRow>& rows = Pane(side).Rows();
    if (index >= rows.size())
        return;
    if (side == PaneSide::Pvr ? (m_bJob || !m_Session.m_bUsbIdle) : !PcMayRefresh())
        return;
    const PaneRow& row = rows[index];
    if (!row.IsFolder()) {
        StartJob(side == PaneSide::Pc ? Direction::Send : Direction::Receive);
        return;
    }
    if (side == PaneSide::Pc) {
        if (!ChangePcFolder(row.name == ".." ? PcParent(m_PcFolder) : PcChild(m_PcFolder, row.name)))
            m_Parts.prompter.Notify("Folder does not exist.", "Error", PromptIcon::Error);
        return;
    }
    std::string current = m_PvrPath.Current();
    m_PvrPath.Set(row.name == ".." ? PvrParent(current) : PvrJoin(current, row.name));
    RefreshPvr();
}

void CExplorerController::EnterOnList(PaneSide side)
{
    std::vector<size_t> selected = m_Parts.port.SelectedIndexes(side);
    if (selected.size() != 1 || !m_Session.m_bUsbIdle || Pane(side).NewFolderMode())
        return;
    Open(side, selected.front());
}

void CExplorerController::PathEntered(PaneSide side, const std::string& text)
{
    if (side == PaneSide::Pvr) {
        if (!m_Session.m_bUsbIdle)
            return;
        m_PvrPath.Enter(text);
        RefreshPvr();
        return;
    }
    std::string folder = TrimText(text);
    if (folder.size() > 1 && folder.ends_with('/'))
        folder.pop_back();
    if (!ChangePcFolder(folder)) {
        m_PcPane.SetPathText(PcPathText(m_PcFolder));
        m_Parts.port.TextsChanged(PaneSide::Pc);
        m_Parts.prompter.Notify("Folder does not exist.", "Error", PromptIcon::Error);
    }
}

bool CExplorerController::DriveChosen(const std::string& root)
{
    if (ChangePcFolder(root))
        return true;
    m_Parts.prompter.Notify("The device is not ready.", "Error", PromptIcon::Error);
    return false;
}

void CExplorerController::SortBy(PaneSide side, PaneColumn column)
{
    Pane(side).SortBy(column);
    m_Parts.port.RowsChanged(side);
}

void CExplorerController::Delete(PaneSide side)
{
    std::vector<PaneRow> rows = SelectedRows(side);
    if (side == PaneSide::Pvr) {
        if (!m_Session.m_bUsbIdle)
            return;
        OpResult result = DeletePvrRows(m_Session, m_Parts.prompter, m_PvrPath.Current(), rows);
        if ((result == OpResult::Done || result == OpResult::Failed) && m_Session.m_bConnected)
            RefreshPvr();
        return;
    }
    OpResult result = DeletePcRows(m_Parts.prompter, m_PcFolder, rows);
    if (result == OpResult::Done || result == OpResult::Failed)
        ListPc();
}

void CExplorerController::BeginNewFolder(PaneSide side)
{
    CPaneController& pane = Pane(side);
    bool allowed = side == PaneSide::Pvr ? m_Session.m_bUsbIdle.load() : PcMayRefresh();
    if (!allowed || pane.NewFolderMode()) {
        m_Parts.port.EnablingChanged();
        return;
    }
    std::optional<std::string> name = NewFolderName(pane.Rows(), m_Parts.random);
    if (!name)
        return;
    PaneRow row = PcRow(*name, true, 0, "");
    row.typeText = side == PaneSide::Pvr ? "Folder" : "";
    size_t index = pane.AppendRow(std::move(row));
    pane.SetNewFolderRow(index);
    m_Parts.port.RowsChanged(side);
    m_Parts.port.EnablingChanged();
    m_Parts.port.EditLabel(side, index);
}

void CExplorerController::EndLabelEdit(PaneSide side, size_t index, const std::string& text)
{
    CPaneController& pane = Pane(side);
    if (index >= pane.Rows().size())
        return;
    if (pane.NewFolderRow() == index) {
        std::optional<std::string> name = CheckNewFolderName(m_Parts.prompter, text);
        OpResult result = OpResult::Refused;
        if (name)
            result = side == PaneSide::Pvr ? MakePvrFolder(m_Session, m_Parts.prompter, m_PvrPath.Current(), *name)
                                           : MakePcFolder(m_Parts.prompter, m_PcFolder, *name);
        pane.SetNewFolderRow(std::nullopt);
        if (result == OpResult::Done) {
            Relist(side);
        } else {
            pane.RemoveRow(index);
            m_Parts.port.RowsChanged(side);
        }
        m_Parts.port.EnablingChanged();
        return;
    }
    PaneRow row = pane.Rows()[index];
    if (!m_Session.m_bUsbIdle)
        return;
    OpResult result = side == PaneSide::Pvr
        ? RenamePvrRow(m_Session, m_Parts.prompter, m_PvrPath.Current(), pane.Rows(), row, text)
        : RenamePcRow(m_Parts.prompter, m_PcFolder, row, text);
    if (result == OpResult::Done)
        Relist(side);
}

void CExplorerController::CancelLabelEdit(PaneSide side, size_t row)
{
    CPaneController& pane = Pane(side);
    if (pane.NewFolderRow() != row)
        return;
    pane.SetNewFolderRow(std::nullopt);
    pane.RemoveRow(row);
    m_Parts.port.RowsChanged(side);
    m_Parts.port.EnablingChanged();
}

void CExplorerController::BeginRename(PaneSide side)
{
    std::vector<size_t> selected = m_Parts.port.SelectedIndexes(side);
    if (selected.size() == 1 && SideEnabled(side))
        m_Parts.port.EditLabel(side, selected.front());
}

void CExplorerController::Copy(PaneSide side)
{
    if (side == PaneSide::Pc)
        m_PcCut.clear();
    m_Clipboard.Copy(side, m_Parts.prompter, Folder(side), SelectedRows(side));
}

void CExplorerController::Cut(PaneSide side)
{
    std::vector<PaneRow> rows = SelectedRows(side);
    m_Clipboard.Cut(side, m_Parts.prompter, Folder(side), rows);
    if (side != PaneSide::Pc)
        return;
    m_PcCut.clear();
    m_PcCutFolder = m_PcFolder;
    if (!m_Clipboard.Empty())
        for (const PaneRow& row : rows)
            m_PcCut.insert(row.name);
}

void CExplorerController::Paste(PaneSide side)
{
    if (side == PaneSide::Pc)
        m_PcCut.clear();
    switch (m_Clipboard.Paste(side, m_Session, m_Parts.prompter, Folder(side))) {
    case PasteAction::Refresh:
        Relist(side);
        break;
    case PasteAction::StartSend:
        StartJob(Direction::Send);
        break;
    case PasteAction::StartReceive:
        StartJob(Direction::Receive);
        break;
    case PasteAction::StartPcCopy:
        m_Engine->StartPcCopy(m_Clipboard.TakePcCopyPlan());
        break;
    case PasteAction::Nothing:
        break;
    }
}

void CExplorerController::Execute()
{
    if (m_Parts.desktop.opener)
        ExecutePcRow(*m_Parts.desktop.opener, m_PcFolder, SelectedRows(PaneSide::Pc));
}

void CExplorerController::CopyButton(Direction direction) { StartJob(direction); }

void CExplorerController::StartJob(Direction direction)
{
    bool started = direction == Direction::Send ? m_Engine->StartSend() : m_Engine->StartReceive();
    if (!started)
        RestoreDropFolder();
}

void CExplorerController::PressTurbo()
{
    PressTurboButton(m_Session, m_Parts.prompter);
    m_Parts.port.EnablingChanged();
}

bool CExplorerController::CanDrag(PaneSide side) const
{
    if (!m_Session.m_bUsbIdle || m_bJob)
        return false;
    for (size_t i : m_Parts.port.SelectedIndexes(side))
        if (i < Pane(side).Rows().size() && Pane(side).Rows()[i].IsFolder() && Pane(side).Rows()[i].name == "..")
            return false;
    return true;
}

bool CExplorerController::CanDropOn(PaneSide target, std::optional<size_t> row) const
{
    if (!SideEnabled(target) || !row)
        return false;
    const std::vector<PaneRow>& rows = Pane(target).Rows();
    return *row < rows.size() && rows[*row].IsFolder() && rows[*row].name != "..";
}

void CExplorerController::Drop(PaneSide target, std::optional<size_t> folderRow)
{
    if (!m_Session.m_bUsbIdle || m_bJob)
        return;
    if (CanDropOn(target, folderRow)) {
        const std::string& name = Pane(target).Rows()[*folderRow].name;
        m_DropFolder = {target, target == PaneSide::Pc ? PcChild(m_PcFolder, name) : PvrJoin(m_PvrShown, name)};
    }
    StartJob(target == PaneSide::Pvr ? Direction::Send : Direction::Receive);
}

void CExplorerController::RestoreDropFolder() { m_DropFolder.reset(); }

std::string CExplorerController::FolderOf(PaneSide side) const
{
    if (m_DropFolder && m_DropFolder->first == side)
        return m_DropFolder->second;
    return side == PaneSide::Pvr ? m_PvrPath.Current() : m_PcFolder;
}

std::string CExplorerController::Folder(PaneSide side) { return FolderOf(side); }

std::vector<PaneRow> CExplorerController::SelectedRows(PaneSide side)
{
    return Pane(side).RowsAt(m_Parts.port.SelectedIndexes(side));
}

void CExplorerController::EnableControls(bool enabled)
{
    m_bJob = !enabled;
    m_Parts.port.EnablingChanged();
    if (enabled && m_Session.m_bConnected && !m_bPvrReady)
        RefreshPvr();  // the STB came back while the job was ending
}

void CExplorerController::JobEnded(JobOutcome) { RestoreDropFolder(); }

void CExplorerController::RefreshPane(PaneSide side) { Relist(side); }

}  // namespace explorer
