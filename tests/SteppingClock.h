#pragma once
// The time of day advancing by step seconds at every reading, from start; it wraps at
// midnight as the real one does. The real clock comes back when it goes.

#include "ScopedHook.h"
#include "platform/Clock.h"

#include <functional>

class SteppingClock {
public:
    explicit SteppingClock(double start, double step = 0.25)
        : m_now(start), m_step(step), m_hook(&platform::setSecondsSinceMidnightSourceForTests, [this] {
              const double value = m_now;
              m_last = value;
              m_now += m_step;
              if (m_now >= 86400.0)
                  m_now -= 86400.0;
              ++m_readings;
              return value;
          }) {}

    double lastReading() const { return m_last; }
    int readings() const { return m_readings; }

private:
    double m_now;
    double m_step;
    double m_last = 0;
    int m_readings = 0;
    ScopedHook<std::function<double()>> m_hook;
};
