// The editor's composition root: the document, the prompter, the link session, the
// controller's surroundings, the controller and the main window, made once per run.
#pragma once
#include "common/qt/qt_prompter.h"
#include "editor_ui/core/editor_controller.h"
#include "editor_ui/window/main_frame.h"
#include "editor_ui/window/qt_editor_host.h"
#include "link/transfer/link_session.h"

#include <memory>

struct COrvanelApp {
    COrvanelApp();

    std::unique_ptr<COrvanel1Doc> doc = std::make_unique<COrvanel1Doc>();
    CQtPrompter prompter;
    CLinkSession session{prompter};
    CQtEditorDialogs dialogs{*doc, prompter};
    CQtEditorLink link{session, *doc, prompter};
    CEditorController controller{*doc, prompter, dialogs, link};
    CMainFrame frame{controller};
};
