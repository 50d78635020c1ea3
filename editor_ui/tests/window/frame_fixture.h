// The real main window over a real document, with message boxes answered by a script and
// scripted file dialogs, editing dialogs and link windows.
#pragma once
#include "common/qt/qt_prompter.h"
#include "common/qt/testing/message_box_answerer.h"
#include "editor_ui/tests/scripted_host.h"
#include "editor_ui/window/main_frame.h"
#include "editor_ui/window/orvanel_view.h"
#include "common/testing/test_support.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QTest>

#include <memory>
#include <unistd.h>

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        doc->m_SideFileFolder = dir;
        demo = dir / "demo.std";
        fs::copy_file(ORVANEL_DEMO_FILE, demo);
        frame.show();
        QApplication::setActiveWindow(&frame);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&frame));
    }
    void TearDown() override
    {
        frame.hide();
    }

    void Key(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(target, Qt::Key(key), modifiers);
        QApplication::processEvents();
    }
    void OpenDemoByKeys()
    {
        dialogs.openFiles = {demo};
        Key(&frame, Qt::Key_O, Qt::ControlModifier);
    }
    static QStringList Lines(const QAbstractItemView* view, int count)
    {
        QStringList lines;
        for (int row = 0; row < count && row < view->model()->rowCount(); ++row)
            lines << view->model()->index(row, 0).data().toString();
        return lines;
    }

    testing_support::TempFolder temp{"editor_frame"};
    fs::path dir = temp.Path();
    fs::path demo;
    std::unique_ptr<COrvanel1Doc> doc = std::make_unique<COrvanel1Doc>();
    CQtPrompter prompter;
    ScriptedDialogs dialogs;
    ScriptedLink link;
    CEditorController ctl{*doc, prompter, dialogs, link};
    CMainFrame frame{ctl};
};
