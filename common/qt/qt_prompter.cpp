#include "common/qt/qt_prompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

namespace {

QMessageBox::Icon ToQtIcon(PromptIcon icon)
{
    switch (icon) {
    case PromptIcon::Information: return QMessageBox::Information;
    case PromptIcon::Warning: return QMessageBox::Warning;
    case PromptIcon::Error: return QMessageBox::Critical;
    case PromptIcon::Question: return QMessageBox::Question;
    case PromptIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQtButtons(PromptButtons buttons)
{
    switch (buttons) {
    case PromptButtons::Ok: return QMessageBox::Ok;
    case PromptButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case PromptButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case PromptButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case PromptButtons::RetryCancel: return QMessageBox::Retry | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

// Closing the box by its frame or Escape gives the button a user would expect.
PromptAnswer FromQtButton(int button, PromptButtons buttons)
{
    switch (button) {
    case QMessageBox::Ok: return PromptAnswer::Ok;
    case QMessageBox::Yes: return PromptAnswer::Yes;
    case QMessageBox::No: return PromptAnswer::No;
    case QMessageBox::Retry: return PromptAnswer::Retry;
    case QMessageBox::Cancel: return PromptAnswer::Cancel;
    default: break;
    }
    if (buttons == PromptButtons::Ok) return PromptAnswer::Ok;
    return buttons == PromptButtons::YesNo ? PromptAnswer::No : PromptAnswer::Cancel;
}

}  // namespace

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
    QMessageBox box(ToQtIcon(icon), QString::fromStdString(title), QString::fromStdString(text),
                    ToQtButtons(buttons), m_pParent.data());
    if (buttons == PromptButtons::YesNo) box.setEscapeButton(QMessageBox::No);
    return FromQtButton(box.exec(), buttons);
}
