#include "explorer/explorer_controller.h"

#include <chrono>
#include <cstdlib>
#include <dirent.h>
#include <unistd.h>

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
    DIR* dir = folder.empty() ? nullptr : opendir(folder.c_str());
    if (!dir)
        return false;
    closedir(dir);
    return true;
}

std::string HomeFolder()
{
    const char* home = std::getenv("HOME");
    return home && *home ? home : "/";
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
    : m_parts(std::move(parts)),
      m_engine(std::make_unique<CopyEngine>(m_session, *this, m_parts.progress, m_parts.asker, m_parts.prompter,
                                            m_parts.events, m_parts.timers)),
      m_window{[](void* self, uint32_t id, uint32_t value) {
                   static_cast<CExplorerController*>(self)->m_parts.events.Post(id, value);
               },
               this}
{
}

CExplorerController::~CExplorerController()
{
    JoinListings();
    m_engine.reset();
}

void CExplorerController::JoinListings()
{
    if (m_pvrListing.joinable())
        m_pvrListing.join();
    if (m_pcListing.joinable())
        m_pcListing.join();
}

void CExplorerController::Start(const std::string& pcPath, const std::string& pvrPath)
{
    m_pcFolder = CanOpenFolder(pcPath) ? pcPath : HomeFolder();
    m_pvrPath.Set(pvrPath);
    m_bPcRefreshAllowed = true;
    if (StartDeviceWatch(&m_window))
        OnDeviceArrival();
    else
        m_parts.port.SetPolling(true);
    m_parts.port.EnablingChanged();
    WritePcDisk();
    RefreshPc();
}

std::pair<std::string, std::string> CExplorerController::Close()
{
    m_bClosed = true;
    m_parts.port.SetPolling(false);
    if (m_engine->JobActive())
        m_engine->CloseDuringJob();
    JoinListings();
    if (m_session.m_bTurboActive && m_session.m_bConnected) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        PvrTurboOnLine(false);  // a cancelled job may still hold the line
        m_session.m_bTurboActive = false;
    }
    RestoreDropFolder();
    return {m_pcFolder, m_pvrPath.Current()};
}

void CExplorerController::OnEvent(uint32_t id, uint32_t value)
{
    if (m_bClosed)
        return;
    if (id == kEvDeviceArrival || id == kEvDeviceRemoval) {
        DeviceChange change = HandleDeviceNotice(id, "zbdll");
        if (change == DeviceChange::Arrived)
            OnDeviceArrival();
        else if (change == DeviceChange::Removed)
            OnDeviceRemoval();
        return;
    }
    m_engine->OnTransferEvent(id, value);
}

void CExplorerController::OnPollTick()
{
    if (!m_session.m_bConnected && PollDeviceOpen())
        OnDeviceArrival();
}

void CExplorerController::OnDeviceArrival()
{
    if (m_session.m_bConnected)
        return;
    m_parts.port.SetPolling(false);
    m_engine->OnDeviceArrived();
    RefreshPvr();
}

void CExplorerController::OnDeviceRemoval()
{
    m_engine->OnDeviceRemoved();
    m_session.m_bTurboButton = false;
    m_bPcRefreshAllowed = true;
    m_bPvrReady = false;
    m_pvrPane.SetRows({});
    m_pvrPane.SetDiskLine("");
    m_parts.port.RowsChanged(PaneSide::Pvr);
    m_parts.port.TextsChanged(PaneSide::Pvr);
    m_parts.port.EnablingChanged();
}

bool CExplorerController::SideEnabled(PaneSide side) const
{
    if (m_bJob)
        return false;
    return side == PaneSide::Pc || (m_bPvrReady && m_session.m_bConnected);
}

void CExplorerController::Refresh(PaneSide side)
{
    if (side == PaneSide::Pvr)
        RefreshPvr();
    else
        RefreshPc();
}

void CExplorerController::RefreshButton(PaneSide side)
{
    if (Pane(side).TakeRefreshButton(m_parts.nowMs()))
        Refresh(side);
}

void CExplorerController::RefreshPvr()
{
    if (!m_session.m_bConnected || !m_session.m_bUsbIdle)
        return;
    if (m_pvrListing.joinable())
        m_pvrListing.join();
    m_pvrListing = std::thread([this] {
        CollectingPaneView view;
        PaneRefresh result = RefreshPvrPane(m_session, m_pvrPath, view);
        if (result == PaneRefresh::Busy)
            return;
        m_parts.port.RunOnUi([this, result, rows = std::move(view.rows), path = std::move(view.pathText),
                              disk = view.disk]() mutable {
            OnPvrListed(result, std::move(rows), std::move(path), disk);
        });
    });
}

void CExplorerController::OnPvrListed(PaneRefresh result, std::vector<PaneRow> rows, std::string pathText,
                                      std::optional<DiskQuery> disk)
{
    if (m_bClosed || !m_session.m_bConnected)
        return;
    m_pvrPane.SetPathText(std::move(pathText));
    if (result == PaneRefresh::Failed) {
        m_parts.port.TextsChanged(PaneSide::Pvr);
        m_parts.port.RunLater(50, [this] {
            if (m_session.m_bConnected && m_session.m_bUsbIdle && !m_bClosed)
                RefreshPvr();
        });
        return;
    }
    m_pvrPane.SetRows(std::move(rows));
    m_parts.port.RowsChanged(PaneSide::Pvr);
    if (disk) {
        m_bPvrReady = true;
        WritePvrDisk(*disk);
        m_parts.port.EnablingChanged();
    }
    m_parts.port.TextsChanged(PaneSide::Pvr);
}

void CExplorerController::WritePvrDisk(const DiskQuery& query)
{
    if (query.status == DiskStatus::Busy)
        return;  // the line was taken; the next listing writes the line
    if (query.disk)
        m_pvrPane.SetDiskLine(PvrDiskLine(query.disk->freeKb, query.disk->totalKb));
    else
        m_pvrPane.SetDiskLine(PvrDiskLine(uint32_t(query.error), uint32_t(query.error)));
    m_parts.port.TextsChanged(PaneSide::Pvr);
}

void CExplorerController::RefreshPc()
{
    if (!m_bPcRefreshAllowed || m_pcFolder.empty())
        return;
    m_bPcRefreshAllowed = false;
    if (m_pcListing.joinable())
        m_pcListing.join();
    m_pcListing = std::thread([this, folder = m_pcFolder] {
        PcListing listing = ListPcFolder(folder, m_parts.desktop.typeName);
        m_parts.port.RunOnUi([this, listing = std::move(listing), folder]() mutable {
            OnPcListed(std::move(listing), folder);
        });
    });
}

void CExplorerController::OnPcListed(PcListing listing, std::string folder)
{
    if (m_bClosed)
        return;
    m_pcPane.SetRows(std::move(listing.rows));
    m_pcPane.SetPathText(PcPathText(folder));
    m_parts.port.RowsChanged(PaneSide::Pc);
    WritePcDisk();
    m_parts.port.FocusList(PaneSide::Pc);
    if (!m_bJob)
        m_bPcRefreshAllowed = true;
}

void CExplorerController::WritePcDisk()
{
    std::optional<PcVolume> volume = m_parts.desktop.volumeOf ? m_parts.desktop.volumeOf(m_pcFolder) : std::nullopt;
    m_pcPane.SetDiskLine(volume ? PcDiskLine(volume->name, volume->freeBytes, volume->totalBytes) : "");
    m_parts.port.TextsChanged(PaneSide::Pc);
}

bool CExplorerController::ChangePcFolder(const std::string& folder)
{
    if (!CanOpenFolder(folder))
        return false;
    m_pcFolder = folder;
    WritePcDisk();
    RefreshPc();
    return true;
}

void CExplorerController::Up(PaneSide side)
{
    if (side == PaneSide::Pc) {
        if (m_bPcRefreshAllowed)
            ChangePcFolder(PcParent(m_pcFolder));
        return;
    }
    if (!m_session.m_bUsbIdle)
        return;
    m_pvrPath.Set(PvrParent(m_pvrPath.Current()));
    RefreshPvr();
}

void CExplorerController::Open(PaneSide side, size_t index)
{
    const std::vector<PaneRow>& rows = Pane(side).Rows();
    if (index >= rows.size())
        return;
    if (side == PaneSide::Pvr ? (m_bJob || !m_session.m_bUsbIdle) : !m_bPcRefreshAllowed)
        return;
    const PaneRow& row = rows[index];
    if (!row.IsFolder()) {
        StartJob(side == PaneSide::Pc ? Direction::Send : Direction::Receive);
        return;
    }
    if (side == PaneSide::Pc) {
        if (!ChangePcFolder(row.name == ".." ? PcParent(m_pcFolder) : PcChild(m_pcFolder, row.name)))
            m_parts.prompter.Notify("Folder does not exist.", "Error", PromptIcon::Error);
        return;
    }
    std::string current = m_pvrPath.Current();
    m_pvrPath.Set(row.name == ".." ? PvrParent(current) : PvrJoin(current, row.name));
    RefreshPvr();
}

void CExplorerController::EnterOnList(PaneSide side)
{
    std::vector<size_t> selected = m_parts.port.SelectedIndexes(side);
    if (selected.size() != 1 || !m_session.m_bUsbIdle || Pane(side).NewFolderMode())
        return;
    Open(side, selected.front());
}

void CExplorerController::PathEntered(PaneSide side, const std::string& text)
{
    if (side == PaneSide::Pvr) {
        if (!m_session.m_bUsbIdle)
            return;
        m_pvrPath.Enter(text);
        RefreshPvr();
        return;
    }
    std::string folder = TrimText(text);
    if (folder.size() > 1 && folder.ends_with('/'))
        folder.pop_back();
    if (!ChangePcFolder(folder)) {
        m_pcPane.SetPathText(PcPathText(m_pcFolder));
        m_parts.port.TextsChanged(PaneSide::Pc);
        m_parts.prompter.Notify("Folder does not exist.", "Error", PromptIcon::Error);
    }
}

bool CExplorerController::DriveChosen(const std::string& root)
{
    if (ChangePcFolder(root))
        return true;
    m_parts.prompter.Notify("The device is not ready.", "Error", PromptIcon::Error);
    return false;
}

void CExplorerController::SortBy(PaneSide side, PaneColumn column)
{
    Pane(side).SortBy(column);
    m_parts.port.RowsChanged(side);
}

void CExplorerController::Delete(PaneSide side)
{
    std::vector<PaneRow> rows = SelectedRows(side);
    if (side == PaneSide::Pvr) {
        if (!m_session.m_bUsbIdle)
            return;
        OpResult result = DeletePvrRows(m_session, m_parts.prompter, m_pvrPath.Current(), rows);
        if ((result == OpResult::Done || result == OpResult::Failed) && m_session.m_bConnected)
            RefreshPvr();
        return;
    }
    OpResult result = DeletePcRows(m_parts.prompter, m_pcFolder, rows);
    if (result == OpResult::Done || result == OpResult::Failed)
        RefreshPc();
}

void CExplorerController::BeginNewFolder(PaneSide side)
{
    CPaneController& pane = Pane(side);
    bool allowed = side == PaneSide::Pvr ? m_session.m_bUsbIdle.load() : m_bPcRefreshAllowed;
    if (!allowed || pane.NewFolderMode()) {
        m_parts.port.EnablingChanged();
        return;
    }
    std::optional<std::string> name = NewFolderName(pane.Rows(), m_parts.random);
    if (!name)
        return;
    PaneRow row = PcRow(*name, true, 0, "");
    row.typeText = side == PaneSide::Pvr ? "Folder" : "";
    size_t index = pane.AppendRow(std::move(row));
    pane.SetNewFolderRow(index);
    m_parts.port.RowsChanged(side);
    m_parts.port.EnablingChanged();
    m_parts.port.EditLabel(side, index);
}

void CExplorerController::EndLabelEdit(PaneSide side, size_t index, const std::string& text)
{
    CPaneController& pane = Pane(side);
    if (index >= pane.Rows().size())
        return;
    if (pane.NewFolderRow() == index) {
        std::optional<std::string> name = CheckNewFolderName(m_parts.prompter, text);
        OpResult result = OpResult::Refused;
        if (name)
            result = side == PaneSide::Pvr ? MakePvrFolder(m_session, m_parts.prompter, m_pvrPath.Current(), *name)
                                           : MakePcFolder(m_parts.prompter, m_pcFolder, *name);
        pane.SetNewFolderRow(std::nullopt);
        if (result == OpResult::Done) {
            Refresh(side);
        } else {
            pane.RemoveRow(index);
            m_parts.port.RowsChanged(side);
        }
        m_parts.port.EnablingChanged();
        return;
    }
    PaneRow row = pane.Rows()[index];
    if (!m_session.m_bUsbIdle)
        return;
    OpResult result = side == PaneSide::Pvr
        ? RenamePvrRow(m_session, m_parts.prompter, m_pvrPath.Current(), pane.Rows(), row, text)
        : RenamePcRow(m_parts.prompter, m_pcFolder, row, text);
    if (result == OpResult::Done)
        Refresh(side);
}

void CExplorerController::BeginRename(PaneSide side)
{
    std::vector<size_t> selected = m_parts.port.SelectedIndexes(side);
    if (selected.size() == 1 && SideEnabled(side))
        m_parts.port.EditLabel(side, selected.front());
}

void CExplorerController::Copy(PaneSide side)
{
    if (side == PaneSide::Pc)
        m_pcCut.clear();
    m_clipboard.Copy(side, m_parts.prompter, Folder(side), SelectedRows(side));
}

void CExplorerController::Cut(PaneSide side)
{
    std::vector<PaneRow> rows = SelectedRows(side);
    m_clipboard.Cut(side, m_parts.prompter, Folder(side), rows);
    if (side != PaneSide::Pc)
        return;
    m_pcCut.clear();
    m_pcCutFolder = m_pcFolder;
    if (!m_clipboard.Empty())
        for (const PaneRow& row : rows)
            m_pcCut.insert(row.name);
}

void CExplorerController::Paste(PaneSide side)
{
    if (side == PaneSide::Pc)
        m_pcCut.clear();
    switch (m_clipboard.Paste(side, m_session, m_parts.prompter, Folder(side))) {
    case PasteAction::Refresh:
        Refresh(side);
        break;
    case PasteAction::StartSend:
        StartJob(Direction::Send);
        break;
    case PasteAction::StartReceive:
        StartJob(Direction::Receive);
        break;
    case PasteAction::Nothing:
        break;
    }
}

void CExplorerController::Execute()
{
    if (m_parts.desktop.opener)
        ExecutePcRow(*m_parts.desktop.opener, m_pcFolder, SelectedRows(PaneSide::Pc));
}

void CExplorerController::CopyButton(Direction direction) { StartJob(direction); }

void CExplorerController::StartJob(Direction direction)
{
    bool started = direction == Direction::Send ? m_engine->StartSend() : m_engine->StartReceive();
    if (!started)
        RestoreDropFolder();
}

void CExplorerController::PressTurbo()
{
    PressTurboButton(m_session, m_parts.prompter);
    m_parts.port.EnablingChanged();
}

bool CExplorerController::CanDrag(PaneSide side) const
{
    if (!m_session.m_bUsbIdle || m_bJob)
        return false;
    for (size_t i : m_parts.port.SelectedIndexes(side))
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
    if (!m_session.m_bUsbIdle || m_bJob)
        return;
    if (CanDropOn(target, folderRow)) {
        const std::string& name = Pane(target).Rows()[*folderRow].name;
        if (target == PaneSide::Pc) {
            m_dropRestore = {PaneSide::Pc, m_pcFolder};
            m_pcFolder = PcChild(m_pcFolder, name);
        } else {
            m_dropRestore = {PaneSide::Pvr, m_pvrPath.Current()};
            m_pvrPath.Set(PvrJoin(m_pvrPath.Current(), name));
        }
    }
    StartJob(target == PaneSide::Pvr ? Direction::Send : Direction::Receive);
}

void CExplorerController::RestoreDropFolder()
{
    if (!m_dropRestore)
        return;
    if (m_dropRestore->first == PaneSide::Pc)
        m_pcFolder = m_dropRestore->second;
    else
        m_pvrPath.Set(m_dropRestore->second);
    m_dropRestore.reset();
}

std::string CExplorerController::Folder(PaneSide side)
{
    return side == PaneSide::Pvr ? m_pvrPath.Current() : m_pcFolder;
}

std::vector<PaneRow> CExplorerController::SelectedRows(PaneSide side)
{
    return Pane(side).RowsAt(m_parts.port.SelectedIndexes(side));
}

void CExplorerController::EnableControls(bool enabled)
{
    m_bJob = !enabled;
    m_bPcRefreshAllowed = enabled;
    m_parts.port.EnablingChanged();
    if (enabled && m_session.m_bConnected && !m_bPvrReady)
        RefreshPvr();  // the STB came back while the job was ending
}

void CExplorerController::JobEnded(JobOutcome) { RestoreDropFolder(); }

void CExplorerController::RefreshPane(PaneSide side)
{
    if (side == PaneSide::Pc)
        m_bPcRefreshAllowed = true;
    Refresh(side);
}

}  // namespace explorer
