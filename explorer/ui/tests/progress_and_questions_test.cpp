// The copy progress window's drawn bars and the conflict windows' answers.
#include "explorer/ui/progress_window.h"
#include "explorer/ui/question_windows.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

using namespace explorer;

namespace {

bool HasBlue(const QImage& image)
{
    for (int x = 0; x < image.width(); ++x) {
        QColor c = image.pixelColor(x, image.height() / 2);
        if (c.blue() >= 100 && c.red() < 40 && c.green() < 40)
            return true;
    }
    return false;
}

}  // namespace

TEST(ProgressWindow, BarsAreDrawnOnlyBetweenTheEnds)
{
    CProgressFace bar;
    bar.resize(200, 18);
    for (int position : {0, 100}) {
        bar.SetPosition(position);
        EXPECT_FALSE(HasBlue(bar.grab().toImage())) << position;
    }
    bar.SetPosition(46);
    QImage half = bar.grab().toImage();
    EXPECT_TRUE(HasBlue(half));
    EXPECT_EQ(bar.PercentText(), "46%");
    EXPECT_NE(half.pixelColor(150, 9), half.pixelColor(5, 9));  // right of the position: the face colour
    bar.SetRange(0, 7);
    bar.SetPosition(3);
    EXPECT_EQ(bar.PercentText(), "43%");

    CProgressWindow window;
    EXPECT_EQ(window.windowTitle(), "Copying...............");
    window.ResetProgress();
    ProgressCounters one;
    one.fileCount = 1;
    one.fileKb = 2048;
    one.totalKb = 2048;
    window.Update(one, 50);
    EXPECT_EQ(window.FileText()->text(), "1,024 KB / 2,048 KB");
    EXPECT_EQ(window.JobText()->text(), window.FileText()->text());
    EXPECT_EQ(window.FileBar()->Position(), 50);
    EXPECT_EQ(window.JobBar()->Position(), 50);
}

TEST(ProgressWindow, KeepsWhereTheUserMovedItAfterItsFirstShow)
{
    QWidget owner;
    owner.setGeometry(100, 100, 1000, 700);
    CProgressWindow window(&owner);
    window.setWindowFlag(Qt::Window);
    CQtProgressView view(window);
    view.Show();
    EXPECT_LE((window.geometry().center() - owner.geometry().center()).manhattanLength(), 4);
    window.move(20, 30);
    view.Hide();
    view.Show();
    EXPECT_EQ(window.pos(), QPoint(20, 30));
}

TEST(ConflictWindows, ButtonsGiveTheirAnswersAndClosingCancels)
{
    CConflictDialog duplicate(ConflictKind::Duplicate, "text");
    EXPECT_EQ(duplicate.windowTitle(), "Duplicate File(s)");
    for (ConflictAnswer answer : {ConflictAnswer::Overwrite, ConflictAnswer::OverwriteAll, ConflictAnswer::Resume,
                                  ConflictAnswer::ResumeAll, ConflictAnswer::Skip, ConflictAnswer::SkipAll})
        ASSERT_NE(duplicate.ButtonFor(answer), nullptr);
    EXPECT_EQ(duplicate.ButtonFor(ConflictAnswer::Yes), nullptr);
    QTimer::singleShot(0, &duplicate, [&] { duplicate.ButtonFor(ConflictAnswer::ResumeAll)->click(); });
    duplicate.exec();
    EXPECT_EQ(duplicate.Answer(), ConflictAnswer::ResumeAll);

    CConflictDialog facts(ConflictKind::Duplicate, " named \n\n   'a.rec'\n\n Existing file :   3,000 bytes   2026-01-02 "
                                                   "03:04\n New file :        8,192 bytes   2026-05-06 07:08");
    QStringList shown;
    for (QLabel* label : facts.findChildren<QLabel*>())
        shown << label->text();
    EXPECT_EQ(shown.mid(1), (QStringList{" named \n\n   'a.rec'\n", "Existing file :", "3,000 bytes", "2026-01-02 03:04",
                                         "New file :", "8,192 bytes", "2026-05-06 07:08"}));

    CConflictDialog replace(ConflictKind::Replace, "text");
    EXPECT_EQ(replace.windowTitle(), "Replace File(s)");
    EXPECT_EQ(replace.ButtonFor(ConflictAnswer::YesToAll)->text(), "Yes to All");
    QTimer::singleShot(0, &replace, [&] { replace.close(); });
    replace.exec();
    EXPECT_EQ(replace.Answer(), ConflictAnswer::Cancel);
}
