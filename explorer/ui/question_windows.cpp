#include "explorer/ui/question_windows.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

namespace explorer {

namespace {

struct ButtonText {
    ConflictAnswer answer;
    const char* text;
};
const std::vector<ButtonText> kDuplicateButtons = {
    {ConflictAnswer::Overwrite, "Overwrite"}, {ConflictAnswer::OverwriteAll, "Overwrite All"},
    {ConflictAnswer::Resume, "Resume"},       {ConflictAnswer::ResumeAll, "Resume All"},
    {ConflictAnswer::Skip, "Skip"},           {ConflictAnswer::SkipAll, "Skip All"},
    {ConflictAnswer::Cancel, "Cancel"},
};
const std::vector<ButtonText> kReplaceButtons = {
    {ConflictAnswer::Yes, "Yes"},
    {ConflictAnswer::YesToAll, "Yes to All"},
    {ConflictAnswer::No, "No"},
    {ConflictAnswer::Cancel, "Cancel"},
};

}  // namespace

CConflictDialog::CConflictDialog(ConflictKind kind, const QString& text, QWidget* parent) : QDialog(parent)
{
    bool duplicate = kind == ConflictKind::Duplicate;
    setWindowTitle(duplicate ? "Duplicate File(s)" : "Replace File(s)");
    setModal(true);
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32, 32));
    auto* label = new QLabel(text, this);
    label->setAccessibleName(windowTitle());
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addWidget(label, 1);
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (const ButtonText& b : duplicate ? kDuplicateButtons : kReplaceButtons) {
        auto* button = new QPushButton(b.text, this);
        button->setAutoDefault(false);
        m_Buttons.push_back({b.answer, button});
        connect(button, &QPushButton::clicked, this, [this, answer = b.answer] {
            m_Answer = answer;
            accept();
        });
        row->addWidget(button);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(8);
    layout->addLayout(row);
}

QPushButton* CConflictDialog::ButtonFor(ConflictAnswer answer) const
{
    for (const auto& [a, button] : m_Buttons)
        if (a == answer)
            return button;
    return nullptr;
}

ConflictAnswer CQtConflictAsker::Ask(ConflictKind kind, const std::string& text)
{
    CConflictDialog dialog(kind, QString::fromStdString(text), m_pParent);
    dialog.exec();
    return dialog.Answer();
}

}  // namespace explorer
