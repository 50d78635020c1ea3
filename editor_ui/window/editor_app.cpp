#include "editor_ui/window/editor_app.h"

COrvanelApp::COrvanelApp()
{
    doc->m_pPrompter = &prompter;
    session.LoadModeConfig();
    prompter.SetParentWindow(&frame);
    dialogs.SetParentWindow(&frame);
    link.SetParentWindow(&frame);
    frame.UpdateCommands();
}
