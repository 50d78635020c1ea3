#include "explorer/ui/question_windows.h"

#include <QGridLayout>
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

// The lines " Existing file :   SIZE   DATE" and " New file :   SIZE   DATE" under the
// question, set out as a table: label, size (right-aligned), date.
QGridLayout* FactsTable(const QStringList& lines, QWidget* parent)
{
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    for (int row = 0; row < lines.size(); ++row) {
        QStringList cells = lines[row].split("   ", Qt::SkipEmptyParts);
        for (int column = 0; column < cells.size() && column < 3; ++column) {
            auto* cell = new QLabel(cells[column].trimmed(), parent);
            grid->addWidget(cell, row, column, column == 1 ? Qt::AlignRight : Qt::AlignLeft);
        }
    }
    grid->setColumnStretch(3, 1);
    return grid;
}

}  // namespace

CConflictDialog::CConflictDialog(ConflictKind kind, const QString& text, QWidget* parent) : QDialog(parent)
{
    bool duplicate = kind == ConflictKind::Duplicate;
    setWindowTitle(duplicate ? "Duplicate File(s)" : "Replace File(s)");
    setModal(true);
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32, 32));
    qsizetype factsAt = text.indexOf("\n Existing file :");
    auto* label = new QLabel(factsAt < 0 ? text : text.left(factsAt), this);
    label->setAccessibleName(windowTitle());
    auto* question = new QVBoxLayout;
    question->addWidget(label);
    if (factsAt >= 0)
        question->addLayout(FactsTable(text.mid(factsAt + 1).split('\n'), this));
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(question, 1);
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
