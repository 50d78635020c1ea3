#include "common/qt/message_box.h"

#include <QAbstractButton>

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

} // namespace

QMessageBox* MakeMessageBox(const std::string& text, const std::string& title, PromptButtons buttons,
                            PromptIcon icon, QWidget* parent)
{
    auto* box = new QMessageBox(ToQtIcon(icon), QString::fromStdString(title), QString::fromStdString(text),
                                ToQtButtons(buttons), parent);
    if (buttons == PromptButtons::YesNo)
        box->setEscapeButton(QMessageBox::No);
    return box;
}

PromptAnswer AnswerOfBox(const QMessageBox& box, int result, PromptButtons buttons)
{
    const int button = box.clickedButton() ? int(box.standardButton(box.clickedButton())) : result;
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
