#include "link/transfer/transfer_messages.h"

#include "link/transfer/transfer_view.h"

#include <memory>

PromptAnswer DefaultAnswer(PromptButtons buttons)
{
    switch (buttons) {
    case PromptButtons::Ok: return PromptAnswer::Ok;
    case PromptButtons::OkCancel:
    case PromptButtons::RetryCancel:
    case PromptButtons::YesNoCancel: return PromptAnswer::Cancel;
    case PromptButtons::YesNo: return PromptAnswer::No;
    }
    return PromptAnswer::Cancel;
}

void CTransferMessages::Attach(TransferView& view)
{
    std::lock_guard lock(m_pShared->lock);
    m_pShared->pView = &view;
    m_pShared->windowThread = std::this_thread::get_id();
}

void CTransferMessages::Detach(const TransferView& view)
{
    {
        std::lock_guard lock(m_pShared->lock);
        if (m_pShared->pView != &view)
            return;
        m_pShared->pView = nullptr;
        m_pShared->windowThread = {};
        ++m_pShared->release;
    }
    m_pShared->changed.notify_all();
}

void CTransferMessages::Notify(const std::string& text, const std::string& title, PromptIcon icon)
{
    Show(text, title, PromptButtons::Ok, icon);
}

PromptAnswer CTransferMessages::Ask(const std::string& text, const std::string& title, PromptButtons buttons,
                                    PromptIcon icon)
{
    return Show(text, title, buttons, icon);
}

PromptAnswer CTransferMessages::Show(const std::string& text, const std::string& title, PromptButtons buttons,
                                     PromptIcon icon)
{
    struct Pending {
        bool answered = false;
        PromptAnswer answer = PromptAnswer::Ok;
    };
    Shared& shared = *m_pShared;
    std::unique_lock lock(shared.lock);
    if (!shared.pView || std::this_thread::get_id() == shared.windowThread) {
        lock.unlock();
        if (buttons == PromptButtons::Ok) {
            m_Inner.Notify(text, title, icon);
            return PromptAnswer::Ok;
        }
        return m_Inner.Ask(text, title, buttons, icon);
    }
    auto pending = std::make_shared<Pending>();
    const unsigned release = shared.release;
    // The view never answers from inside ShowMessage, so the lock may be held here.
    shared.pView->ShowMessage({text, title, buttons, icon}, [state = m_pShared, pending](PromptAnswer answer) {
        std::lock_guard answerLock(state->lock);
        pending->answer = answer;
        pending->answered = true;
        state->changed.notify_all();
    });
    shared.changed.wait(lock, [&] { return pending->answered || shared.joins > 0 || shared.release != release; });
    return pending->answered ? pending->answer : DefaultAnswer(buttons);
}

CTransferMessages::JoinScope::JoinScope(CTransferMessages& messages) : m_Messages(messages)
{
    {
        std::lock_guard lock(m_Messages.m_pShared->lock);
        ++m_Messages.m_pShared->joins;
    }
    m_Messages.m_pShared->changed.notify_all();
}

CTransferMessages::JoinScope::~JoinScope()
{
    std::lock_guard lock(m_Messages.m_pShared->lock);
    --m_Messages.m_pShared->joins;
}
