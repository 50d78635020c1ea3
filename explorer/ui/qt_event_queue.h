// The window's event queue for the copy engine and the device notices: events posted
// from any thread are handled on the GUI thread; one-shot timers run there too.
#pragma once
#include "explorer/event_loop.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

namespace explorer {

class CQtEventQueue : public QObject, public EventSink, public TimerService {
    Q_OBJECT
public:
    using Handler = std::function<void(uint32_t id, uint32_t value)>;
    explicit CQtEventQueue(QObject* parent = nullptr) : QObject(parent) {}
    void SetHandler(Handler handler) { m_Handler = std::move(handler); }

    void Post(uint32_t id, uint32_t value) override;
    void StartOnce(unsigned ms, std::function<void()> fire) override;
    void StopAll() override;
    // Runs fn on the GUI thread (from any thread).
    void RunOnUi(std::function<void()> fn);

private:
    Handler m_Handler;
    QList<QPointer<QTimer>> m_Timers;
};

}  // namespace explorer
