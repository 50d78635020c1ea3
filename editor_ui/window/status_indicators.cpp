#include "editor_ui/window/status_indicators.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>

#ifdef ORVANEL_HAVE_X11
#include <X11/XKBlib.h>
#endif

namespace {
// The XKB indicator bits of Caps, Num and Scroll Lock, read through the display Qt uses.
bool ReadLocks(unsigned& locks)
{
#ifdef ORVANEL_HAVE_X11
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->display())
        return false;
    unsigned state = 0;
    if (XkbGetIndicatorState(x11->display(), XkbUseCoreKbd, &state) != Success)
        return false;
    locks = state & 7u;
    return true;
#else
    (void)locks;
    return false;
#endif
}
}

CStatusIndicators::CStatusIndicators(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    const char* texts[3] = {"CAP", "NUM", "SCRL"};
    for (int i = 0; i < 3; ++i) {
        m_pLabels[i] = new QLabel(texts[i], this);
        m_pLabels[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        m_pLabels[i]->setAlignment(Qt::AlignCenter);
        m_pLabels[i]->setMinimumWidth(m_pLabels[i]->fontMetrics().horizontalAdvance("SCRL") + 10);
        layout->addWidget(m_pLabels[i]);
    }
    Show(0);
    unsigned locks = 0;
    if (ReadLocks(locks)) {
        Show(locks);
        connect(&m_Timer, &QTimer::timeout, this, &CStatusIndicators::Poll);
        m_Timer.start(250);
    }
}

void CStatusIndicators::Poll()
{
    unsigned locks = 0;
    if (ReadLocks(locks))
        Show(locks);
}

void CStatusIndicators::Show(unsigned locks)
{
    for (int i = 0; i < 3; ++i) {
        bool on = locks & (1u << i);
        m_pLabels[i]->setEnabled(on);
        m_pLabels[i]->setAccessibleDescription(on ? "on" : "off");
    }
}
