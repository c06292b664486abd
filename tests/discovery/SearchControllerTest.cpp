// SPDX-License-Identifier: GPL-3.0-or-later
// The window thread's search control, with the engine on loopback.
#include "discovery/SearchController.h"

#include "LoopbackDevice.h"
#include "support/LogCapture.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <arpa/inet.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace zk::discovery {
namespace {

class SearchControllerTest : public ::testing::Test {
protected:
    SearchControllerTest()
        : m_device([](const std::string& request) {
              return request.find("Msg_code=\"1\"") != std::string::npos ? test::DeviceReply("SN-A") : std::string();
          }),
          m_engine(m_table, [] { return platform::AdapterMap(); }, {htonl(INADDR_LOOPBACK), m_device.Port()}) {}

    SearchController& Controller(SearchSettings settings = {}) {
        m_controller = std::make_unique<SearchController>(m_table, m_engine, std::move(settings));
        return *m_controller;
    }

    test::LoopbackDevice m_device;
    DeviceTable m_table;
    SearchEngine m_engine;
    std::unique_ptr<SearchController> m_controller;
};

TEST_F(SearchControllerTest, StartingClosesSessionsClearsTheTableAndKeepsAsking) {
    auto& controller = Controller();
    m_table.AddOrUpdate(EmptyDeviceRecord(), "127.0.0.1");
    QSignalSpy logout(&controller, &SearchController::logoutAllRequested);
    QSignalSpy cleared(&controller, &SearchController::tableCleared);
    QSignalSpy searching(&controller, &SearchController::searchingChanged);
    QSignalSpy ticks(&controller, &SearchController::listRefreshTick);
    controller.ToggleSearch();
    EXPECT_EQ(logout.count(), 1);
    EXPECT_EQ(cleared.count(), 1);
    ASSERT_EQ(searching.count(), 1);
    EXPECT_TRUE(searching.front().front().toBool());
    EXPECT_TRUE(controller.Searching());
    EXPECT_EQ(controller.SearchPeriodMs(), kSearchPeriodMs);

    // The thread asks at start and the timer every second after that.
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_device.Requests().size() >= 3; }, 4000));
    EXPECT_EQ(m_table.Size(), 1u);
    EXPECT_GE(ticks.count(), 5) << "the list refreshes every 200 ms while searching";

    controller.ToggleSearch();
    EXPECT_FALSE(controller.Searching());
    EXPECT_FALSE(m_engine.Running());
    EXPECT_FALSE(controller.AutoStop()) << "a search stopped by the button does not stop by itself next time";
}

TEST_F(SearchControllerTest, QuickBuildsAskEvery100Ms) {
    SearchSettings settings;
    settings.quickSearch = true;
    auto& controller = Controller(settings);
    EXPECT_EQ(controller.SearchPeriodMs(), kQuickSearchPeriodMs);
    controller.StartSearch();
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_device.Requests().size() >= 8; }, 2000));
    controller.StopSearch();
}

TEST_F(SearchControllerTest, StartingTwiceLeavesTheRunningThreadAlone) {
    test::LogCapture log("127.0.0.44");
    auto& controller = Controller();
    controller.StartSearch();
    controller.StartSearch();
    EXPECT_THAT(log.TakeMessages(),
                ::testing::Contains("RArEvaVuraroZazoDor::StartSearchThread: SearchIPCThread has run.\n"));
    controller.StopSearch();
    m_engine.Stop();
    controller.StopSearch();
    EXPECT_THAT(log.TakeMessages(),
                ::testing::Contains("RArEvaVuraroZazoDor::StopSearchThread: SearchIPCThread hasn't run.\n"));
}

TEST_F(SearchControllerTest, AnAdapterChoiceRestartsTheSearchAndStopsItAbout10Seconds) {
    auto& controller = Controller();
    controller.StartSearch();
    controller.StopSearch();
    ASSERT_FALSE(controller.AutoStop());
    QSignalSpy searching(&controller, &SearchController::searchingChanged);
    QElapsedTimer clock;
    clock.start();
    controller.ChooseAdapter(0);
    EXPECT_TRUE(controller.AutoStop());
    ASSERT_TRUE(controller.Searching());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !controller.Searching(); }, 15000));
    EXPECT_GE(clock.elapsed(), 10000);
    EXPECT_LE(clock.elapsed(), 11500);
    EXPECT_FALSE(controller.AutoStop()) << "without the installation switch, it stops by itself only once";
}

TEST_F(SearchControllerTest, PrintModeKeepsASearchRunning) {
    auto& controller = Controller();
    controller.SetPrintMode(true);
    controller.ChooseAdapter(0);
    QTest::qWait(1200);
    EXPECT_TRUE(controller.Searching());
    EXPECT_TRUE(controller.AutoStop());
    controller.StopSearch();
}

TEST_F(SearchControllerTest, RequestsAreQueuedAsManyTimesAsTheirCopies) {
    auto& controller = Controller();
    controller.QueueRequest(kCodeRestore, BuildCommandBody("SN-A", true, std::nullopt), 0, kCopiesRestore);
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_device.Requests().size() == 3; }, 3000))
        << "without a search the short-lived sender sends each copy";
    controller.StartSearch();
    const std::size_t before = m_device.Requests().size();
    controller.QueueRequest(kCodeFactoryMode, BuildCommandBody("SN-A", false, std::nullopt), kFlagFactoryModeOff,
                            kCopiesFactoryMode);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            int factory = 0;
            for (const auto& [request, port] : m_device.Requests()) {
                factory += request.find("Msg_code=\"9\" Msg_flag=\"1\"") != std::string::npos ? 1 : 0;
            }
            return factory == 3;
        },
        3000));
    EXPECT_GT(m_device.Requests().size(), before);
    controller.StopSearch();
}

} // namespace
} // namespace zk::discovery
