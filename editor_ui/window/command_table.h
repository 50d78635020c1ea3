// The frame's commands: menu text with its key names, keys, status-bar prompt, tooltip and
// toolbar icon of each.
#pragma once
#include "editor_ui/core/editor_controller.h"

#include <QKeySequence>
#include <QList>

struct CommandInfo {
    Cmd cmd;
    const char* text;       // menu text, key names after a tab
    QList<QKeySequence> keys;
    const char* prompt;     // status bar; null for none
    const char* tooltip;    // toolbar and tooltip; null for none
    const char* icon;       // resource path of the toolbar icon; null for none
};

const QList<CommandInfo>& CommandTable();
const CommandInfo& CommandOf(Cmd cmd);
// The toolbar: commands in order, Cmd::Count standing for a separator.
const QList<Cmd>& ToolbarCommands();
