#include "support/systemutilities.h"
#include "win/pump.h"

#include <QTimer>
#include <chrono>
#include <gtest/gtest.h>

namespace {

// The quit message is process-wide: a test that posts one and does not pump it must not
// leave it to the next test.
class Pump : public ::testing::Test
{
protected:
    void TearDown() override
    {
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message == WM_QUIT)
            PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE);
    }
};

// A zero-interval timer: an event stream that never dries up. It stops itself after far
// more events than any pump could be meant to take, so that a pump that does not return
// on its own ends the test with a failure instead of hanging it.
class EndlessStream
{
public:
    EndlessStream()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (++m_ticks >= kRunaway)
                m_timer.stop();
        });
        m_timer.start(0);
    }
    ~EndlessStream() { m_timer.stop(); }

    int ticks() const { return m_ticks; }
    bool ranAway() const { return m_ticks >= kRunaway; }

private:
    static constexpr int kRunaway = 1000000;
    QTimer m_timer;
    int m_ticks = 0;
};

} // namespace

TEST_F(Pump, DoEventsHandsWaitingEventsToThePump)
{
    int fired = 0;
    QTimer::singleShot(0, [&] { ++fired; });
    CSystemUtilities::doEvents();
    EXPECT_EQ(fired, 1);
    CSystemUtilities::doEvents(); // an empty queue returns at once
    EXPECT_EQ(fired, 1);
}

TEST_F(Pump, TheQuitMessageEndsThePump)
{
    int fired = 0;
    PostQuitMessage(0);
    QTimer::singleShot(0, [&] { ++fired; });
    CSystemUtilities::doEvents();
    EXPECT_EQ(fired, 0);
    CSystemUtilities::doEvents();
    EXPECT_EQ(fired, 1);
}

TEST_F(Pump, AnEndlessStreamOfEventsDoesNotHoldThePump)
{
    const EndlessStream stream;
    CSystemUtilities::doEvents();
    EXPECT_GT(stream.ticks(), 0) << "the waiting events were handled";
    EXPECT_FALSE(stream.ranAway()) << "doEvents returned only when the stream stopped";
}

TEST_F(Pump, EventsPostedBeforeAndDuringTheWaitAreDelivered)
{
    // Every timer below is due before the last pass of a one-second wait, which comes after
    // three quarter-second sleeps, however slow the machine.
    std::vector<int> order;
    QTimer::singleShot(0, [&] {
        order.push_back(1);
        QTimer::singleShot(0, [&] { order.push_back(2); });
    });
    QTimer::singleShot(400, [&] { order.push_back(3); });
    const auto start = std::chrono::steady_clock::now();
    CSystemUtilities::wait(1);
    const std::chrono::duration<double> waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(order, (std::vector<int> {1, 2, 3}));
    EXPECT_GE(waited.count(), 1.0) << "four quarter-second sleeps";
}

TEST_F(Pump, AnEndlessStreamDoesNotHoldTheWait)
{
    const EndlessStream stream;
    CSystemUtilities::wait(1);
    EXPECT_GT(stream.ticks(), 0);
    EXPECT_FALSE(stream.ranAway());
}

TEST_F(Pump, NoSecondsMeansNoPumping)
{
    int fired = 0;
    QTimer::singleShot(0, [&] { ++fired; });
    CSystemUtilities::wait(0);
    CSystemUtilities::wait(-3);
    EXPECT_EQ(fired, 0);
    CSystemUtilities::doEvents();
    EXPECT_EQ(fired, 1);
}
