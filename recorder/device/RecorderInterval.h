#pragma once

// The recorder's one process-wide data interval in milliseconds. The main
// window sets it; the links and devices read it to choose their way of
// working (persistent LAN connections and the miss limit at exactly 1 s).
class RecorderInterval
{
public:
    static constexpr int Initial = 10000;
    static constexpr int KeepAlive = 1000;

    static int current();
    static void setCurrent(int milliseconds);
    static bool keepsConnection() { return current() == KeepAlive; }

private:
    static int s_current;
};
