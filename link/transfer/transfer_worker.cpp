#include "link/transfer/transfer_worker.h"

#include "common/trace.h"

#include <system_error>

bool CTransferWorker::Start(std::function<void()> body, std::function<void()> ended)
{
    if (m_Thread.joinable() && !m_bRunning)
        m_Thread.join();
    if (m_Thread.joinable() || !m_Guard.TryEnter()) {
        Trace("CTransferWorker::Start(): a transfer worker is already running");
        return false;
    }
    m_bRunning = true;
    try {
        m_Thread = std::thread([this, body = std::move(body), ended = std::move(ended)] {
            body();
            m_bRunning = false;
            m_Guard.Leave();
            if (ended)
                ended();
        });
    } catch (const std::system_error&) {
        m_bRunning = false;
        m_Guard.Leave();
        return false;
    }
    return true;
}

void CTransferWorker::Join()
{
    if (m_Thread.joinable() && m_Thread.get_id() != std::this_thread::get_id())
        m_Thread.join();
}
