#include "link/ui/transfer_progress_bar.h"

#include <QPainter>

#include <cstdio>

ProgressLook LookOfProgress(int pos, int lower, int upper, int width, bool enabled)
{
    ProgressLook look;
    if (upper <= lower || pos <= lower || pos >= upper)
        return look;
    const double fraction = double(pos - lower) / double(upper - lower);
    look.fillWidth = int(fraction * width);
    if (enabled) {
        char text[16];
        std::snprintf(text, sizeof text, "%.0f%%", fraction * 100.0);
        look.text = text;
    }
    return look;
}

CTransferProgressBar::CTransferProgressBar(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CTransferProgressBar::SetRange(int lower, int upper)
{
    m_Lower = lower;
    m_Upper = upper;
    update();
}

void CTransferProgressBar::SetPos(int pos)
{
    if (pos == m_Pos)
        return;
    m_Pos = pos;
    update();
    emit positionChanged(pos);
}

QSize CTransferProgressBar::sizeHint() const { return {240, fontMetrics().height() + 8}; }

void CTransferProgressBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect area = rect();
    painter.fillRect(area, palette().color(QPalette::Button));
    const ProgressLook look = LookOfProgress(m_Pos, m_Lower, m_Upper, area.width(), isEnabled());
    const QColor fill(0, 0, 160);
    const QRect filled(area.left(), area.top(), look.fillWidth, area.height());
    if (look.fillWidth > 0)
        painter.fillRect(filled, fill);
    if (!look.text.empty()) {
        // White on the filled part; where the text passes beyond it, the fill colour keeps it readable.
        const QString text = QString::fromStdString(look.text);
        painter.setClipRect(filled);
        painter.setPen(Qt::white);
        painter.drawText(area, Qt::AlignCenter, text);
        painter.setClipRect(area.adjusted(look.fillWidth, 0, 0, 0));
        painter.setPen(fill);
        painter.drawText(area, Qt::AlignCenter, text);
        painter.setClipping(false);
    }
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(area.adjusted(0, 0, -1, -1));
}
