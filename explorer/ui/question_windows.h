// The two conflict questions of a copy job: "Duplicate File(s)" (Overwrite, Overwrite All,
// Resume, Resume All, Skip, Skip All, Cancel) and "Replace File(s)" (Yes, Yes to All, No,
// Cancel). Closing either window answers Cancel.
#pragma once
#include "explorer/explorer_host.h"

#include <QDialog>
#include <QPushButton>

#include <functional>
#include <vector>

namespace explorer {

enum class ConflictKind { Duplicate, Replace };

class CConflictDialog : public QDialog {
    Q_OBJECT
public:
    CConflictDialog(ConflictKind kind, const QString& text, QWidget* parent = nullptr);
    ConflictAnswer Answer() const { return m_Answer; }
    QPushButton* ButtonFor(ConflictAnswer answer) const;

private:
    ConflictAnswer m_Answer = ConflictAnswer::Cancel;
    std::vector<std::pair<ConflictAnswer, QPushButton*>> m_Buttons;
};

class CQtConflictAsker : public ConflictAsker {
public:
    explicit CQtConflictAsker(QWidget* parent) : m_pParent(parent) {}
    ConflictAnswer AskDuplicate(const std::string& text) override { return Ask(ConflictKind::Duplicate, text); }
    ConflictAnswer AskReplace(const std::string& text) override { return Ask(ConflictKind::Replace, text); }

private:
    ConflictAnswer Ask(ConflictKind kind, const std::string& text);
    QWidget* m_pParent;
};

}  // namespace explorer
