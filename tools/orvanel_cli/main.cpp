// orvanel-cli: the settings editor's core from the terminal.
#include "cli_prompter.h"
#include "demo_settings.h"
#include "document_json.h"
#include "settings_file.h"
#include "variant.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <iostream>
#include <memory>

namespace {

const char* VariantName(Variant variant)
{
    switch (variant) {
    case Variant::Dravion: return "Dravion";
    case Variant::ST: return "ST";
    case Variant::ST71xx: return "ST71xx";
    default: return "default";
    }
}

std::unique_ptr<COrvanel1Doc> LoadOrNull(const std::string& path, CliPrompter& prompter)
{
    auto doc = std::make_unique<COrvanel1Doc>();
    doc->m_pPrompter = &prompter;
    if (!Appl_OpenSettingsFile(*doc, path))
        return nullptr;
    return doc;
}

int Info(const std::string& path, CliPrompter& prompter)
{
    auto doc = LoadOrNull(path, prompter);
    if (!doc)
        return 1;
    std::printf("model          %u (%s)\n", doc->m_ModelId, VariantName(VariantOfModel(doc->m_ModelId)));
    std::printf("system id      %u (0x%04X)\n", doc->m_FlashHeader.systemId, doc->m_FlashHeader.systemId);
    std::printf("layout version 0x%02X\n", doc->m_FlashHeader.layoutVersion);
    std::printf("satellites     %u\ntransponders   %u\nTV services    %u\nradio services %u\nfavourites     %u\n",
                doc->m_SatCnt, doc->m_TpCnt, doc->m_TvSvcCnt, doc->m_RadioSvcCnt, doc->m_FavCnt);
    return 0;
}

int Dump(const std::string& path, CliPrompter& prompter)
{
    auto doc = LoadOrNull(path, prompter);
    if (!doc)
        return 1;
    std::cout << DocumentToJson(*doc).dump(1) << std::endl;
    return std::cout.good() ? 0 : 1;
}

int Resave(const std::string& path, const std::string& out, const std::string& sideFolder, CliPrompter& prompter)
{
    auto doc = LoadOrNull(path, prompter);
    if (!doc)
        return 1;
    doc->m_SideFileFolder = sideFolder;
    return SaveSettingsFile(*doc, out.empty() ? path : out) == 1 ? 0 : 1;
}

int Demo(const DemoOptions& options, const std::string& out, const std::string& sideFolder, CliPrompter& prompter)
{
    auto doc = std::make_unique<COrvanel1Doc>();
    doc->m_pPrompter = &prompter;
    doc->m_SideFileFolder = sideFolder;
    BuildDemoSettings(*doc, options);
    return SaveSettingsFile(*doc, out) == 1 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    CLI::App app{"orvanel-cli: inspect, check and rewrite STB settings files (.std)"};
    app.require_subcommand(1);
    std::string file, out, sideFolder;
    bool json = false;

    auto* info = app.add_subcommand("info", "Show model, variant, system id, layout version and counts");
    info->add_option("FILE", file, "settings file")->required();
    auto* verify = app.add_subcommand("verify", "Exit 0 only when the file loads");
    verify->add_option("FILE", file, "settings file")->required();
    auto* dump = app.add_subcommand("dump", "Print the whole decoded document");
    dump->add_flag("--json", json, "as JSON (the only format)")->required();
    dump->add_option("FILE", file, "settings file")->required();
    auto* resave = app.add_subcommand("resave", "Load, encode, re-pack and save");
    resave->add_option("FILE", file, "settings file")->required();
    resave->add_option("-o,--output", out, "write here instead of replacing FILE");
    resave->add_option("--side-folder", sideFolder, "folder of flash.dat, eeprom.dat and the diagnostic copy")
        ->default_str(".");

    auto* demo = app.add_subcommand("demo", "Write a demo settings file of any model");
    DemoOptions demoOptions;
    demo->add_option("-o,--output", out, "settings file to write")->required();
    demo->add_option("--model", demoOptions.modelId, "model id (0 default, 10, 8 or 12, 13)");
    demo->add_option("--layout", demoOptions.layoutVersion, "layout version (0x27: extended)");
    demo->add_option("--side-folder", sideFolder, "folder of flash.dat, eeprom.dat and the diagnostic copy")
        ->default_str(".");

    CLI11_PARSE(app, argc, argv);
    CliPrompter prompter;
    if (*info)
        return Info(file, prompter);
    if (*verify)
        return LoadOrNull(file, prompter) ? 0 : 1;
    if (*dump)
        return Dump(file, prompter);
    if (*demo)
        return Demo(demoOptions, out, sideFolder, prompter);
    return Resave(file, out, sideFolder, prompter);
}
