#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <thread>

#include "common/qt/qt_prompter.h"
#include "common/qt/testing/message_box_answerer.h"

// A worker's question is shown on the GUI thread while the worker waits, and the
// GUI thread keeps running its loop meanwhile.
TEST(QtPrompter, WorkerQuestionIsAnsweredOnTheGuiThread)
{
    CQtPrompter prompter;
    CMessageBoxAnswerer answerer({QMessageBox::No});
    std::atomic<bool> done{false};
    PromptAnswer answer = PromptAnswer::Ok;
    std::thread worker([&] {
        answer = prompter.Ask("Delete This Service?", "Warnning", PromptButtons::YesNo, PromptIcon::Warning);
        done = true;
    });
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(1);
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] { if (done) loop.quit(); });
    poll.start(2);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    worker.join();
    ASSERT_TRUE(done);
    EXPECT_EQ(answer, PromptAnswer::No);
    ASSERT_EQ(answerer.Shown().size(), 1);
    EXPECT_EQ(answerer.Shown()[0].text, "Delete This Service?");
    EXPECT_EQ(answerer.Shown()[0].title, "Warnning");
    EXPECT_EQ(answerer.Shown()[0].icon, QMessageBox::Warning);
    EXPECT_GT(ticks, 0);
}

TEST(QtPrompter, EscapeOnAYesNoQuestionMeansNo)
{
    CQtPrompter prompter;
    CMessageBoxAnswerer answerer;  // empty script: the escape button
    EXPECT_EQ(prompter.Ask("Save the Current information?", "Orvanel", PromptButtons::YesNo,
                           PromptIcon::Question),
              PromptAnswer::No);
    EXPECT_EQ(prompter.Ask("Exit?", "Orvanel", PromptButtons::YesNoCancel, PromptIcon::Question),
              PromptAnswer::Cancel);
}
