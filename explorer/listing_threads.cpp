#include "explorer/listing_threads.h"

namespace explorer {

void CListingThreads::Start(std::function<void()> work)
{
    m_Workers.remove_if([](Worker& w) {
        if (!w.done->load())
            return false;
        w.thread.join();  // it has finished its work and only returns
        return true;
    });
    auto done = std::make_shared<std::atomic<bool>>(false);
    m_Workers.push_back({done, std::thread([done, work = std::move(work)] {
                             work();
                             *done = true;
                         })});
}

void CListingThreads::JoinAll()
{
    for (Worker& w : m_Workers)
        w.thread.join();
    m_Workers.clear();
}

}  // namespace explorer
