// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "devsim/RequestHandler.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <queue>
#include <thread>
#include <vector>

namespace zk::devsim {

// Sends replies when they are due, on a thread of its own, so that a thousand delayed replies never
// hold up the receiving of further requests. Schedule and Stop may be called from any thread; the
// send function runs on the scheduler's thread only.
class ReplyScheduler final {
public:
    using SendFunction = std::function<void(const ScheduledReply&)>;

    explicit ReplyScheduler(SendFunction send);
    ~ReplyScheduler();
    ReplyScheduler(const ReplyScheduler&) = delete;
    ReplyScheduler& operator=(const ReplyScheduler&) = delete;

    // Sends the reply at now + reply.delay.
    void Schedule(ScheduledReply reply, SimClock::time_point now);
    // Ends the thread; replies not yet due are dropped.
    void Stop();
    std::size_t Pending() const;

private:
    struct Entry {
        SimClock::time_point due;
        std::uint64_t order; // keeps replies due at the same time in the order they were scheduled
        ScheduledReply reply;
    };
    struct Later {
        bool operator()(const Entry& a, const Entry& b) const {
            return a.due != b.due ? a.due > b.due : a.order > b.order;
        }
    };

    void Run();

    SendFunction m_send;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::priority_queue<Entry, std::vector<Entry>, Later> m_queue;
    std::uint64_t m_nextOrder = 0;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace zk::devsim
