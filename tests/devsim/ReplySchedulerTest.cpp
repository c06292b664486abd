// SPDX-License-Identifier: GPL-3.0-or-later
#include "devsim/ReplyScheduler.h"

#include <gtest/gtest.h>

#include <mutex>
#include <thread>

namespace zk::devsim {
namespace {

using namespace std::chrono_literals;

struct Sent {
    std::size_t device;
    SimClock::time_point at;
};

class ReplySchedulerTest : public ::testing::Test {
protected:
    ScheduledReply Reply(std::size_t device, std::chrono::milliseconds delay) {
        ScheduledReply reply;
        reply.deviceIndex = device;
        reply.delay = delay;
        return reply;
    }
    std::vector<Sent> SentSoFar() {
        std::lock_guard lock(m_mutex);
        return m_sent;
    }
    bool WaitFor(std::size_t count) {
        const auto deadline = SimClock::now() + 5s;
        while (SentSoFar().size() < count && SimClock::now() < deadline) {
            std::this_thread::sleep_for(2ms);
        }
        return SentSoFar().size() >= count;
    }

    std::mutex m_mutex;
    std::vector<Sent> m_sent;
    ReplyScheduler m_scheduler{[this](const ScheduledReply& reply) {
        std::lock_guard lock(m_mutex);
        m_sent.push_back({reply.deviceIndex, SimClock::now()});
    }};
};

TEST_F(ReplySchedulerTest, RepliesGoOutWhenDueNotInTheOrderScheduled) {
    const auto start = SimClock::now();
    m_scheduler.Schedule(Reply(1, 120ms), start);
    m_scheduler.Schedule(Reply(2, 40ms), start);
    m_scheduler.Schedule(Reply(3, 0ms), start);
    m_scheduler.Schedule(Reply(4, 40ms), start);
    ASSERT_TRUE(WaitFor(4));
    const std::vector<Sent> sent = SentSoFar();
    EXPECT_EQ(sent[0].device, 3u);
    EXPECT_EQ(sent[1].device, 2u) << "equal times keep the scheduling order";
    EXPECT_EQ(sent[2].device, 4u);
    EXPECT_EQ(sent[3].device, 1u);
    EXPECT_GE(sent[1].at - start, 40ms);
    EXPECT_GE(sent[3].at - start, 120ms);
}

TEST_F(ReplySchedulerTest, AnEarlierReplyScheduledLaterDoesNotWaitForTheFirst) {
    const auto start = SimClock::now();
    m_scheduler.Schedule(Reply(1, 3000ms), start);
    m_scheduler.Schedule(Reply(2, 10ms), start);
    ASSERT_TRUE(WaitFor(1));
    EXPECT_EQ(SentSoFar()[0].device, 2u);
    EXPECT_LT(SentSoFar()[0].at - start, 2000ms);
    EXPECT_EQ(m_scheduler.Pending(), 1u);
}

TEST_F(ReplySchedulerTest, StoppingDropsWhatIsNotDue) {
    m_scheduler.Schedule(Reply(1, 60000ms), SimClock::now());
    const auto before = SimClock::now();
    m_scheduler.Stop();
    EXPECT_LT(SimClock::now() - before, 1000ms);
    EXPECT_TRUE(SentSoFar().empty());
}

} // namespace
} // namespace zk::devsim
