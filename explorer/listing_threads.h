// The worker threads of the panes' listings. Starting one never waits for another: the
// threads that have ended are joined as new ones start, the others when the owner goes.
#pragma once
#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <thread>

namespace explorer {

class CListingThreads {
public:
    ~CListingThreads() { JoinAll(); }
    void Start(std::function<void()> work);
    void JoinAll();

private:
    struct Worker {
        std::shared_ptr<std::atomic<bool>> done;
        std::thread thread;
    };
    std::list<Worker> m_Workers;
};

}  // namespace explorer
