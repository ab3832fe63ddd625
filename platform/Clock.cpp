#include "platform/Clock.h"

#include "platform/ClockSystem.h"

#include <mutex>

namespace platform {
namespace {

std::mutex& sourceMutex() {
    static std::mutex mutex;
    return mutex;
}

std::function<double()>& sourceForTests() {
    static std::function<double()> source;
    return source;
}

} // namespace

double secondsSinceMidnight() {
    std::function<double()> source;
    {
        std::lock_guard lock(sourceMutex());
        source = sourceForTests();
    }
    return source ? source() : systemSecondsSinceMidnight();
}

void setSecondsSinceMidnightSourceForTests(std::function<double()> source) {
    std::lock_guard lock(sourceMutex());
    sourceForTests() = std::move(source);
}

std::string generalDateText() {
    return generalDateText(std::time(nullptr));
}

std::string generalDateText(std::time_t when) {
    return systemDateText(when);
}

} // namespace platform
