#include "editor_ui/dialogs/dialog_fields.h"

#include "common/prompter.h"
#include "editing/edit_common.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

bool ParseInteger(const QString& text, long long& value)
{
    bool ok = false;
    value = text.trimmed().toLongLong(&ok);
    return ok;
}

// Watches the keys of one edit for the character that would pass its limit.
class CTypingLimit : public QObject {
public:
    CTypingLimit(QLineEdit* edit, int limit, std::function<void(const QString&)> beyond)
        : QObject(edit), m_pEdit(edit), m_Limit(limit), m_Beyond(std::move(beyond))
    {
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        const QString typed = key->text();
        if (typed.isEmpty() || !typed.at(0).isPrint() || (key->modifiers() & Qt::ControlModifier))
            return false;
        QString next = m_pEdit->text();
        const int at = m_pEdit->hasSelectedText() ? m_pEdit->selectionStart() : m_pEdit->cursorPosition();
        next.remove(at, m_pEdit->selectedText().size());
        if (next.size() + typed.size() <= m_Limit)
            return false;
        next.insert(at, typed);
        m_Beyond(next);
        return true;
    }

private:
    QLineEdit* m_pEdit;
    int m_Limit;
    std::function<void(const QString&)> m_Beyond;
};

} // namespace

std::string IntFieldText(IntRange range)
{
    if (range.bUnsigned && range.min == 0 && range.max == kAnyUnsigned.max)
        return "Please enter a positive integer.";
    return QStringLiteral("Please enter an integer between %1 and %2.").arg(range.min).arg(range.max).toStdString();
}

bool ReadIntField(QLineEdit* edit, IntRange range, long long& value, Prompter& prompter)
{
    if (ParseInteger(edit->text(), value) && value >= range.min && value <= range.max)
        return true;
    prompter.Notify(IntFieldText(range), kProgramTitle, PromptIcon::Warning);
    edit->setFocus();
    edit->selectAll();
    return false;
}

void LimitTyping(QLineEdit* edit, int limit, std::function<void(const QString&)> beyond)
{
    edit->setMaxLength(limit);
    edit->installEventFilter(new CTypingLimit(edit, limit, std::move(beyond)));
}


