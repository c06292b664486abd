// SPDX-License-Identifier: GPL-3.0-or-later
#include "netcfg/AddressCheck.h"

#include "FakeProber.h"
#include "netcfg/FreeAddressSearch.h"

#include <QSignalSpy>
#include <QThread>

#include <gtest/gtest.h>

#include <chrono>

namespace zk::netcfg {
namespace {

// Catches: the answer delivered on the worker thread instead of the object's, a second check
// mixing into the first, and destruction during a check crashing or waiting for every probe.
TEST(AddressCheckTest, ChecksOnAWorkerAndAnswersOnItsOwnThread) {
    test::FakeProber prober;
    prober.fixedDelayMs = 20;
    prober.answering = {"10.3.0.12"};
    AddressCheck check(prober, 4);
    QThread* answeredOn = nullptr;
    QObject::connect(&check, &AddressCheck::finished, &check, [&answeredOn] { answeredOn = QThread::currentThread(); });
    QSignalSpy finished(&check, &AddressCheck::finished);
    ASSERT_EQ(check.Start("10.3.0.10", 5), kProbeStarted);
    EXPECT_TRUE(check.Running());
    EXPECT_EQ(check.Start("10.3.0.10", 5), kProbeAlreadyRunning);
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_EQ(finished.takeFirst().at(0).toInt(), 2);
    EXPECT_EQ(answeredOn, QThread::currentThread());
    EXPECT_FALSE(check.Running());
    ASSERT_EQ(check.Start("10.3.0.20", 3), kProbeStarted); // a finished check may run again
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_EQ(finished.takeFirst().at(0).toInt(), -1);

    test::FakeProber slow;
    slow.fixedDelayMs = 100;
    const auto started = std::chrono::steady_clock::now();
    {
        AddressCheck abandoned(slow, 2);
        ASSERT_EQ(abandoned.Start("10.3.1.1", 254), kProbeStarted);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1000));
    EXPECT_LE(slow.Probed().size(), 4u);
}

// Catches: the search's free addresses lost or reordered on their way to the window thread.
TEST(AddressCheckTest, FreeAddressSearchDeliversTheFreeAddressesInOrder) {
    test::FakeProber prober;
    prober.maxDelayMs = 5;
    prober.answering = {"10.4.0.2", "10.4.0.4"};
    FreeAddressSearch search(prober, 8);
    QSignalSpy finished(&search, &FreeAddressSearch::finished);
    ASSERT_EQ(search.Start({"10.4.0.2", "10.4.0.3", "10.4.0.4", "10.4.0.5", "10.4.0.6"}, 2), kProbeStarted);
    EXPECT_EQ(search.Start({}, 1), kProbeAlreadyRunning);
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_EQ(finished.takeFirst().at(0).toStringList(),
              (QStringList{QStringLiteral("10.4.0.3"), QStringLiteral("10.4.0.5")}));
}

} // namespace
} // namespace zk::netcfg
