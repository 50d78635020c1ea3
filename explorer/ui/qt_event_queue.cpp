#include "explorer/ui/qt_event_queue.h"

namespace explorer {

void CQtEventQueue::Post(uint32_t id, uint32_t value)
{
    QMetaObject::invokeMethod(
        this,
        [this, id, value] {
            if (m_Handler)
                m_Handler(id, value);
        },
        Qt::QueuedConnection);
}

void CQtEventQueue::RunOnUi(std::function<void()> fn)
{
    QMetaObject::invokeMethod(this, std::move(fn), Qt::QueuedConnection);
}

void CQtEventQueue::StartOnce(unsigned ms, std::function<void()> fire)
{
    auto* timer = new QTimer(this);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, [timer, fire = std::move(fire)] {
        timer->deleteLater();
        fire();
    });
    m_Timers.removeAll(nullptr);
    m_Timers.append(timer);
    timer->start(int(ms));
}

void CQtEventQueue::StopAll()
{
    for (const QPointer<QTimer>& timer : m_Timers)
        if (timer) {
            timer->stop();
            timer->deleteLater();
        }
    m_Timers.clear();
}

}  // namespace explorer
