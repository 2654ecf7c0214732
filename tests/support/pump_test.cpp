#include "support/systemutilities.h"
#include "win/pump.h"

#include <QTimer>
#include <chrono>
#include <gtest/gtest.h>

TEST(CSystemUtilities, DoEventsHandsWaitingEventsToThePump)
{
    int fired = 0;
    QTimer::singleShot(0, [&] { ++fired; });
    CSystemUtilities::doEvents();
    EXPECT_EQ(fired, 1);
    CSystemUtilities::doEvents(); // an empty queue returns at once
    EXPECT_EQ(fired, 1);
}

TEST(CSystemUtilities, TheQuitMessageEndsThePump)
{
    int fired = 0;
    PostQuitMessage(0);
    QTimer::singleShot(0, [&] { ++fired; });
    CSystemUtilities::doEvents();
    EXPECT_EQ(fired, 0);
    CSystemUtilities::doEvents();
    EXPECT_EQ(fired, 1);
}

TEST(CSystemUtilities, AnEndlessStreamOfEventsDoesNotHoldThePump)
{
    QTimer busy;
    int ticks = 0;
    QObject::connect(&busy, &QTimer::timeout, [&] { ++ticks; });
    busy.start(0);
    CSystemUtilities::doEvents();
    busy.stop();
    EXPECT_GT(ticks, 0);
    EXPECT_LE(ticks, CSystemUtilities::maxPumpPasses);
}

TEST(CSystemUtilities, WaitSleepsInQuarterSecondsWhilePumping)
{
    int fired = 0;
    QTimer::singleShot(300, [&] { ++fired; });
    const auto start = std::chrono::steady_clock::now();
    CSystemUtilities::wait(1);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(seconds, 0.99);
    EXPECT_LT(seconds, 2.0);
    EXPECT_EQ(fired, 1);
    const auto again = std::chrono::steady_clock::now();
    CSystemUtilities::wait(0);
    CSystemUtilities::wait(-3);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - again).count(), 0.1);
}
