// SPDX-License-Identifier: GPL-3.0-or-later
#include "devsim/ReplyScheduler.h"

namespace zk::devsim {

ReplyScheduler::ReplyScheduler(SendFunction send) : m_send(std::move(send)), m_thread([this] { Run(); }) {}

ReplyScheduler::~ReplyScheduler() {
    Stop();
}

void ReplyScheduler::Schedule(ScheduledReply reply, SimClock::time_point now) {
    {
        std::lock_guard lock(m_mutex);
        const auto due = now + reply.delay;
        m_queue.push(Entry{due, m_nextOrder++, std::move(reply)});
    }
    m_wake.notify_one();
}

void ReplyScheduler::Stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

std::size_t ReplyScheduler::Pending() const {
    std::lock_guard lock(m_mutex);
    return m_queue.size();
}

void ReplyScheduler::Run() {
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        if (m_queue.empty()) {
            m_wake.wait(lock);
            continue;
        }
        const auto due = m_queue.top().due;
        if (SimClock::now() < due) {
            m_wake.wait_until(lock, due);
            continue;
        }
        // priority_queue gives only const access to its top; the copy is cheap next to a send.
        ScheduledReply reply = m_queue.top().reply;
        m_queue.pop();
        lock.unlock();
        m_send(reply);
        lock.lock();
    }
}

} // namespace zk::devsim
