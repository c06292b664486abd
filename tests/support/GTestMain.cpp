// SPDX-License-Identifier: GPL-3.0-or-later
// Runs GoogleTest inside a QCoreApplication, so that tests may use timers, queued calls and
// QSignalSpy-style waiting on the main thread.
#include <QCoreApplication>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
