#include "common/qt/qt_prompter.h"

#include "common/qt/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

#include <memory>

CQtPrompter::CQtPrompter(QWidget* parent) : m_pParent(parent) {}

void CQtPrompter::Notify(const std::string& text, const std::string& title, PromptIcon icon)
{
    Ask(text, title, PromptButtons::Ok, icon);
}

PromptAnswer CQtPrompter::Ask(const std::string& text, const std::string& title, PromptButtons buttons,
                              PromptIcon icon)
{
    if (QThread::currentThread() == qApp->thread()) return ShowOnGuiThread(text, title, buttons, icon);
    PromptAnswer answer = PromptAnswer::Cancel;
    QMetaObject::invokeMethod(
        this, [&] { answer = ShowOnGuiThread(text, title, buttons, icon); }, Qt::BlockingQueuedConnection);
    return answer;
}

PromptAnswer CQtPrompter::ShowOnGuiThread(const std::string& text, const std::string& title,
                                          PromptButtons buttons, PromptIcon icon)
{
    std::unique_ptr<QMessageBox> box(MakeMessageBox(text, title, buttons, icon, m_pParent.data()));
    const int result = box->exec();
    return AnswerOfBox(*box, result, buttons);
}
