// orvanel-cli update-tps: one satellite's transponders brought up to date from a
// transponder table. Prints the plan; writes only with -o or --write.
#pragma once
#include "tools/orvanel_cli/cli_prompter.h"
#include "tools/orvanel_cli/list_commands.h"

#include <string>

struct UpdateTpsArgs {
    std::string file;
    std::string table;
    std::string satellite;        // a number from 1, or a name
    std::string tableSatellite;   // a position or a name in a satellites.xml
    bool removeUnlisted = false;
    bool write = false;           // replace FILE
    ListFiles files;
};

int RunUpdateTps(const UpdateTpsArgs& args, CliPrompter& prompter);
