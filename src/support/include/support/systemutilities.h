// Keeps the host responsive while the module waits: hands waiting messages to the pump.
#pragma once

class CSystemUtilities
{
public:
    virtual ~CSystemUtilities() = default;

    // Pumps the messages waiting now; returns when none wait or the quit message came.
    static void doEvents();
    // Pumps and sleeps in quarter seconds for the given number of seconds.
    static void wait(int seconds);

    // Most pump passes one doEvents makes, so that a stream of events that never dries up
    // (a zero-interval timer) cannot keep it from returning.
    static constexpr int maxPumpPasses = 100;
};
