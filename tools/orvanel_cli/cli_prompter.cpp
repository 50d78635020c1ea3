#include "tools/orvanel_cli/cli_prompter.h"

#include "common/std_output.h"

#include <iostream>
#include <string>
#include <unistd.h>

void CliPrompter::Notify(const std::string& text, const std::string& title, PromptIcon)
{
    std::string line = title + ": " + text;
    if (detail_)
        line += " " + detail_.Describe();
    detail_ = {};
    WriteStderr(line + "\n");
}

PromptAnswer CliPrompter::Ask(const std::string& text, const std::string& title, PromptButtons buttons,
                              PromptIcon)
{
    const bool okCancel = buttons == PromptButtons::Ok || buttons == PromptButtons::OkCancel;
    const PromptAnswer yes = okCancel ? PromptAnswer::Ok : PromptAnswer::Yes;
    const PromptAnswer no = okCancel || buttons == PromptButtons::RetryCancel ? PromptAnswer::Cancel : PromptAnswer::No;
    WriteStderr(title + ": " + text + "\n");
    if (preset_)
        return *preset_ ? yes : no;
    if (!::isatty(STDIN_FILENO))
        return no;
    WriteStderr("[y/N] ");
    std::string line;
    std::getline(std::cin, line);
    return !line.empty() && (line[0] == 'y' || line[0] == 'Y') ? yes : no;
}
