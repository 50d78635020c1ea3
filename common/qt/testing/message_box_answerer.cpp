#include "common/qt/testing/message_box_answerer.h"

#include <QAbstractButton>
#include <QApplication>

CMessageBoxAnswerer::CMessageBoxAnswerer(QList<QMessageBox::StandardButton> script) : m_Script(std::move(script))
{
    connect(&m_Timer, &QTimer::timeout, this, &CMessageBoxAnswerer::Poll);
    m_Timer.start(5);
}

QStringList CMessageBoxAnswerer::Texts() const
{
    QStringList texts;
    for (const ShownMessage& m : m_Shown) texts << m.text;
    return texts;
}

void CMessageBoxAnswerer::Poll()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box || !box->isVisible() || box->property("answered").toBool()) continue;
        box->setProperty("answered", true);
        m_Shown.append({box->text(), box->windowTitle(), box->icon()});
        QAbstractButton* button = nullptr;
        if (!m_Script.isEmpty()) button = box->button(m_Script.takeFirst());
        if (!button) button = box->escapeButton();
        if (!button && !box->buttons().isEmpty()) button = box->buttons().first();
        if (button) button->click();
    }
}
