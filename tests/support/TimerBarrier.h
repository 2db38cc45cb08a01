#pragma once

// Proves that something a timer would do does not happen, without guessing
// how long a busy machine needs: Qt fires due timers in the order in which
// they are due, so once a probe started now has fired, every timer of this
// thread that was running and due no later has fired before it.
class TimerBarrier
{
public:
    // Waits for a probe due just after the longest interval of the timers
    // in question (coarse timers may fire up to 5 % late); false only if the
    // event loop did not come round within a minute past it.
    static bool pass(int longestIntervalMs);
};
