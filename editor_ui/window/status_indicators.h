// The CAP, NUM and SCRL indicators of the status bar: dark while the lock is on, grey
// while it is off. Their state is read from X11 (XKB) where the program runs on X11;
// elsewhere the platform does not tell, and they stay grey.
#pragma once
#include <QTimer>
#include <QWidget>

class QLabel;

class CStatusIndicators : public QWidget {
    Q_OBJECT
public:
    explicit CStatusIndicators(QWidget* parent = nullptr);
    // Bits 0 Caps Lock, 1 Num Lock, 2 Scroll Lock.
    void Show(unsigned locks);

private:
    void Poll();
    QLabel* m_pLabels[3] = {};
    QTimer m_Timer;
};
