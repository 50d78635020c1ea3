// The editor's composition root: the document, the prompter, the link session, the
// controller's surroundings, the controller and the main window, made once per run.
// The side folder (side files of saves, the download image, backups, the recovery file) is
// the profile's "SideFolder" entry when the user set one, else the per-user state folder.
#pragma once
#include "common/qt/qt_prompter.h"
#include "editor_ui/core/editor_controller.h"
#include "editor_ui/core/recovery_keeper.h"
#include "editor_ui/window/main_frame.h"
#include "editor_ui/window/qt_editor_host.h"
#include "editor_ui/window/qt_list_printer.h"
#include "link/transfer/link_session.h"

#include <filesystem>
#include <memory>

// The profile entry chosen by the user, else DefaultSideFolder().
std::filesystem::path EditorSideFolder();
LinkSessionParts EditorLinkParts();

struct COrvanelApp {
    COrvanelApp();

    std::unique_ptr<COrvanel1Doc> doc = std::make_unique<COrvanel1Doc>();
    CQtPrompter prompter;
    CLinkSession session{prompter, EditorLinkParts()};
    CQtEditorDialogs dialogs{*doc, prompter};
    CQtEditorLink link{session, *doc, prompter};
    CRecoveryKeeper recovery{session.StartDir()};
    CQtListPrinter printer;
    CEditorController controller{*doc, prompter, dialogs, link};
    CMainFrame frame{controller};
};
