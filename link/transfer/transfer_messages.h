// The link's message boxes. On the window's thread they go to the program's prompter as
// they are. From a worker (or the serial watch thread) they go to the attached window
// without blocking it; the worker waits for the answer, unless the window's thread is
// joining workers (JoinScope) or the window went away, which lets every waiting worker go
// on with the default answer while the box stays on the screen.
#pragma once
#include "common/prompter.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

class TransferView;

class CTransferMessages : public Prompter {
public:
    explicit CTransferMessages(Prompter& inner) : m_Inner(inner) {}

    // Called on the window's thread: its messages and those of workers go to view from now on.
    void Attach(TransferView& view);
    void Detach(const TransferView& view);

    void Notify(const std::string& text, const std::string& title, PromptIcon icon) override;
    PromptAnswer Ask(const std::string& text, const std::string& title, PromptButtons buttons,
                     PromptIcon icon) override;

    // While one lives, the window's thread may join a worker: no worker waits for an answer.
    class JoinScope {
    public:
        explicit JoinScope(CTransferMessages& messages);
        ~JoinScope();
        JoinScope(const JoinScope&) = delete;
        JoinScope& operator=(const JoinScope&) = delete;

    private:
        CTransferMessages& m_Messages;
    };

private:
    PromptAnswer Show(const std::string& text, const std::string& title, PromptButtons buttons, PromptIcon icon);

    // Shared with the answers that come back after a worker stopped waiting.
    struct Shared {
        std::mutex lock;
        std::condition_variable changed;
        TransferView* pView = nullptr;
        std::thread::id windowThread;
        int joins = 0;
        unsigned release = 0;   // bumped whenever waiting workers are let go
    };

    Prompter& m_Inner;
    std::shared_ptr<Shared> m_pShared = std::make_shared<Shared>();
};

// The default answer of a box nobody answered.
PromptAnswer DefaultAnswer(PromptButtons buttons);
