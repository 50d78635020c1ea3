// Scripted file dialogs, editing dialogs and link windows for the editor's tests.
#pragma once
#include "editor_ui/core/editor_host.h"

#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

class ScriptedDialogs : public EditorDialogs {
public:
    std::deque<std::optional<fs::path>> openFiles, saveFiles, referenceFiles, csvFiles, pdfFiles, backups, tableFiles;
    std::deque<std::optional<ListChoice>> listChoices;
    std::deque<std::optional<size_t>> satellitesAt;                       // answers to SatelliteAt
    std::deque<std::optional<lists::OrbitalPosition>> positionsOf;        // answers to PositionOf
    std::vector<std::string> questions;                                    // each position asked, or satellite
    std::vector<std::optional<fs::path>> saveProposals;   // what each Save As started at
    int addedTp = -1;                                       // what Add Transponder hands back
    std::vector<std::pair<int, int>> editedTps;             // (sat, tp) of each Edit Transponder
    int opened = 0;
    // What an editing dialog's OK does to the document; none stands for Cancel.
    std::function<bool()> edit;
    // What the update dialog does with the plan before it closes; true for its OK.
    std::function<bool(CTpTableUpdate&)> updateTps;

    std::optional<fs::path> ChooseOpenFile() override { return Next(openFiles); }
    std::optional<fs::path> ChooseSaveFile(const std::optional<fs::path>& current) override
    {
        saveProposals.push_back(current);
        return Next(saveFiles);
    }
    std::optional<fs::path> ChooseReferenceFile() override { return Next(referenceFiles); }
    std::optional<fs::path> ChooseCsvFile() override { return Next(csvFiles); }
    std::optional<fs::path> ChoosePdfFile() override { return Next(pdfFiles); }
    std::optional<fs::path> ChooseBackup() override { return Next(backups); }
    std::optional<fs::path> ChooseTableFile() override { return Next(tableFiles); }
    std::optional<ListChoice> ChooseListFile(bool) override { return Next(listChoices); }
    std::optional<size_t> SatelliteAt(const std::string& position, const std::vector<std::string>&) override
    {
        questions.push_back(position);
        return Next(satellitesAt);
    }
    std::optional<lists::OrbitalPosition> PositionOf(const std::string& name) override
    {
        questions.push_back(name);
        return Next(positionsOf);
    }
    bool AddSatellite() override { return Opened(); }
    bool EditSatellite(int) override { return Opened(); }
    int AddTransponder(int) override
    {
        ++opened;
        return addedTp;
    }
    bool EditTransponder(int sat, int tp) override
    {
        editedTps.emplace_back(sat, tp);
        return Opened();
    }
    int ServiceName(SvcKind, uint32_t) override { return Opened() ? 0 : -1; }
    int AddFavGroup() override { return Opened() ? 0 : -1; }
    bool EditFavGroup(int) override { return Opened(); }
    void About() override { ++opened; }
    bool UpdateTransponders(CTpTableUpdate& update) override { return ++opened, updateTps && updateTps(update); }

private:
    bool Opened() { return ++opened, edit && edit(); }
    template <class T>
    static std::optional<T> Next(std::deque<std::optional<T>>& queue)
    {
        if (queue.empty())
            return std::nullopt;
        auto next = queue.front();
        queue.pop_front();
        return next;
    }
};

class ScriptedLink : public EditorLink {
public:
    bool usb = true;
    // What the upload window leaves in the document, true when it decoded the STB's
    // settings; null brings nothing.
    std::function<bool()> upload;
    int downloads = 0;

    bool UsbMode() const override { return usb; }
    void SetUsbMode(bool value) override { usb = value; }
    void Upload(std::function<void(bool)> done) override { done(upload && upload()); }
    void Download() override { ++downloads; }
    void StbReboot() override {}
    void PortSetup() override {}
};


// A printer that keeps what it was handed and answers as told.
class ScriptedPrinter : public ListPrinter {
public:
    Result answer{Outcome::Done, 1, {}};
    std::vector<ListPrintout> printed;
    std::vector<std::pair<fs::path, ListPrintout>> written;

    Result Print(const ListPrintout& printout) override
    {
        printed.push_back(printout);
        return answer;
    }
    Result WritePdf(const fs::path& path, const ListPrintout& printout) override
    {
        written.emplace_back(path, printout);
        return answer;
    }
};
