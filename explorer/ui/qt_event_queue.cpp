#include "explorer/ui/qt_event_queue.h"

namespace explorer {

void CQtEventQueue::Post(uint32_t id, uint32_t value)
{
    QMetaObject::invokeMethod(
        this,
        [this, id, value] {
            if (m_handler)
                m_handler(id, value);
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
    m_timers.removeAll(nullptr);
    m_timers.append(timer);
    timer->start(int(ms));
}

void CQtEventQueue::StopAll()
{
    for (const QPointer<QTimer>& timer : m_timers)
        if (timer) {
            timer->stop();
            timer->deleteLater();
        }
    m_timers.clear();
}

}  // namespace explorer
