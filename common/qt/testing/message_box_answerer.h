// Answers the message boxes a widget test provokes, and records what they said.
#pragma once
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QTimer>

struct ShownMessage {
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// While alive, every QMessageBox that opens is answered with the next button of the
// script (the box's escape button once the script runs out) and recorded.
class CMessageBoxAnswerer : public QObject {
public:
    explicit CMessageBoxAnswerer(QList<QMessageBox::StandardButton> script = {});
    const QList<ShownMessage>& Shown() const { return m_Shown; }
    QStringList Texts() const;
    void Push(QMessageBox::StandardButton answer) { m_Script.append(answer); }

private:
    void Poll();
    QList<QMessageBox::StandardButton> m_Script;
    QList<ShownMessage> m_Shown;
    QTimer m_Timer;
};
