// The shared routines: path tests, registry, waiting, random numbers, strings. Files,
// folders and names are in prgmainFiles.cpp, drawing in Drawing.cpp.

#include "prgmain.h"

#include "AnsiText.h"
#include "FileNumbers.h"
#include "RuntimeError.h"
#include "UiServices.h"

#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/Registry.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <thread>

using quorlin::fromAnsi;
using quorlin::RuntimeError;
using quorlin::toAnsi;
using quorlin::UiServices;

namespace prgmain {

// ---- path tests -----------------------------------------------------------------------

bool ChkPathExist(const QString& path) {
    // The platform answers without changing the current directory, so there is nothing
    // to put back.
    return platform::isEnterableDirectory(quorlin::toPathText(path));
}

bool ChkDrvExist(const QString& drive) {
    return platform::driveExists(quorlin::toPathText(drive));
}

bool ChkFileExist(const QString& filename) {
    // Taking a number is the one step that can fail the test; the open itself only
    // decides the answer.
    const int number = quorlin::FileNumbers::freeFile();
    quorlin::FileNumbers::take(number);
    const bool readable = platform::isReadableFile(quorlin::toPathText(filename));
    quorlin::FileNumbers::release(number);
    return readable;
}

// ---- registry -------------------------------------------------------------------------

namespace {

constexpr uint32_t kTextBufferSize = 500;

platform::HKEY rootOf(int32_t hKey) {
    return static_cast<platform::HKEY>(hKey);
}

// Sets a value under a key opened or created for the call; nothing is reported.
void setValue(int32_t hKey, const QString& subkey, const QString& name, uint32_t type, const uint8_t* data,
              uint32_t size) {
    auto& reg = platform::Registry::current();
    // Making the key and setting the value reach a running Wine as one change.
    platform::RegistryBatch batch(reg);
    platform::HKEY key = 0;
    if (reg.RegCreateKeyA(rootOf(hKey), toAnsi(subkey), &key) != platform::ERROR_SUCCESS)
        return;
    reg.RegSetValueExA(key, toAnsi(name), 0, type, data, size);
    reg.RegCloseKey(key);
}

void setText(int32_t hKey, const QString& subkey, const QString& name, uint32_t type, const QString& text) {
    // The terminating zero byte is stored with the text.
    const std::string data = toAnsi(text);
    setValue(hKey, subkey, name, type, reinterpret_cast<const uint8_t*>(data.c_str()),
             static_cast<uint32_t>(data.size() + 1));
}

// The value through a buffer of 500 blanks, as the callers have always read text: a
// value that does not fit leaves the blanks, so it reads as empty.
QString readText(int32_t hKey, const QString& subkey, const QString& name, int32_t* type) {
    auto& reg = platform::Registry::current();
    std::string buffer(kTextBufferSize, ' ');
    platform::HKEY key = 0;
    if (reg.RegOpenKeyA(rootOf(hKey), toAnsi(subkey), &key) == platform::ERROR_SUCCESS) {
        uint32_t size = kTextBufferSize;
        uint32_t actualType = type ? static_cast<uint32_t>(*type) : 0;
        const int32_t rc = reg.RegQueryValueExA(key, toAnsi(name), nullptr, &actualType,
                                                reinterpret_cast<uint8_t*>(buffer.data()), &size);
        if (rc == platform::ERROR_SUCCESS && type)
            *type = static_cast<int32_t>(actualType);
        reg.RegCloseKey(key);
    }
    // Trim blanks first, then cut at the terminator: leading blanks of the text go,
    // trailing ones (before the terminator) stay.
    QString text = fromAnsi(buffer);
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && text.at(last - 1) == QLatin1Char(' '))
        --last;
    return StripTerminator(text.mid(first, last - first));
}

} // namespace

void WriteRegStr(int32_t hKey, const QString& subkey, const QString& keyName, const QString& keyValue) {
    setText(hKey, subkey, keyName, platform::REG_SZ, keyValue);
}

void WriteRegistry(int32_t hKey, const QString& subkey, const QString& valueName, int32_t keyType,
                   const QString& keyValue) {
    setText(hKey, subkey, valueName, static_cast<uint32_t>(keyType), keyValue);
}

void WriteRegInt(int32_t hKey, const QString& subkey, const QString& keyName, int32_t keyValue) {
    const auto v = static_cast<uint32_t>(keyValue);
    const uint8_t data[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                             static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
    setValue(hKey, subkey, keyName, platform::REG_DWORD, data, 4);
}

QString ReadRegStr(int32_t hKey, const QString& subkey, const QString& keyName,
                   const QString& defaultReturn) {
    const QString text = readText(hKey, subkey, keyName, nullptr);
    return text.isEmpty() ? defaultReturn : text;
}

QString ReadRegistry(int32_t hKey, const QString& subkey, const QString& valueName, int32_t& valueType,
                     const QString& defaultValue) {
    const QString text = readText(hKey, subkey, valueName, &valueType);
    return text.isEmpty() ? defaultValue : text;
}

int32_t ReadRegInt(int32_t hKey, const QString& subkey, const QString& keyName) {
    auto& reg = platform::Registry::current();
    uint8_t data[4] = {0, 0, 0, 0};
    platform::HKEY key = 0;
    if (reg.RegOpenKeyA(rootOf(hKey), toAnsi(subkey), &key) == platform::ERROR_SUCCESS) {
        uint32_t size = 4;
        uint32_t type = 0;
        // A longer value fails the query and leaves the zeros.
        reg.RegQueryValueExA(key, toAnsi(keyName), nullptr, &type, data, &size);
        reg.RegCloseKey(key);
    }
    return static_cast<int32_t>(uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 |
                                uint32_t(data[3]) << 24);
}

void DeleteRegKey(int32_t hKey, const QString& subkey, const QString& key) {
    auto& reg = platform::Registry::current();
    platform::HKEY parent = 0;
    if (reg.RegOpenKeyA(rootOf(hKey), toAnsi(subkey), &parent) != platform::ERROR_SUCCESS)
        return;
    reg.RegDeleteKeyA(parent, toAnsi(key));
    reg.RegCloseKey(parent);
}

void DeleteRegValue(int32_t hKey, const QString& subkey, const QString& value) {
    auto& reg = platform::Registry::current();
    platform::HKEY key = 0;
    if (reg.RegOpenKeyA(rootOf(hKey), toAnsi(subkey), &key) != platform::ERROR_SUCCESS)
        return;
    reg.RegDeleteValueA(key, toAnsi(value));
    reg.RegCloseKey(key);
}

QString StripTerminator(const QString& text) {
    const qsizetype zero = text.indexOf(QChar(u'\0'));
    return zero < 0 ? text : text.left(zero);
}

// ---- waiting ----------------------------------------------------------------------------

namespace {
// Longest sleep between two clock readings: short enough that the wait ends close to
// its time (and that a test clock moves on quickly), long enough not to busy the CPU.
constexpr int kPollMs = 10;
constexpr double kSecondsPerDay = 86400.0;
} // namespace

void Delay(int32_t seconds, bool doEvents) {
    // Halves go to the even neighbour under the default rounding mode.
    const double now = platform::secondsSinceMidnight();
    const double start = std::nearbyint(now);
    const double end = start + static_cast<double>(seconds);
    if (end > std::numeric_limits<int32_t>::max() || end < std::numeric_limits<int32_t>::min())
        throw RuntimeError(quorlin::ErrOverflow);

    // The clock starts again at 0 at midnight; count the days it passed so that a wait
    // whose end lies after midnight still ends. A jump back of less than half a day is
    // a clock correction, not midnight.
    double days = 0.0;
    double last = now;
    for (;;) {
        const double reading = platform::secondsSinceMidnight();
        if (reading < last - kSecondsPerDay / 2)
            days += kSecondsPerDay;
        last = reading;
        const double t = reading + days;
        if (t >= end)
            return;
        const double remainingMs = (end - t) * 1000.0;
        const int pause = static_cast<int>(std::clamp(std::ceil(remainingMs), 1.0, double(kPollMs)));
        if (doEvents)
            UiServices::waitForEvents(pause);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(pause));
    }
}

// ---- random numbers ---------------------------------------------------------------------

namespace {
std::mt19937& generator() {
    // Never seeded by the library: every process that does not seed it sees the same
    // sequence.
    static std::mt19937 gen;
    return gen;
}
} // namespace

float nextRandomFraction() {
    // 24 random bits fill a single's mantissa exactly, so the value stays below 1.
    return static_cast<float>(generator()() >> 8) * (1.0f / 16777216.0f);
}

int32_t RandomNumber(int32_t upperbound, int32_t lowerbound) {
    const int64_t n = int64_t(upperbound) - int64_t(lowerbound) + 1;
    if (n > std::numeric_limits<int32_t>::max() || n < std::numeric_limits<int32_t>::min())
        throw RuntimeError(quorlin::ErrOverflow);
    const double r = nextRandomFraction();
    const double value = std::floor(r * static_cast<double>(n) + static_cast<double>(lowerbound));
    if (value > std::numeric_limits<int32_t>::max() || value < std::numeric_limits<int32_t>::min())
        throw RuntimeError(quorlin::ErrOverflow);
    return static_cast<int32_t>(value);
}

// ---- strings and booleans -----------------------------------------------------------

int ConvertChar(int code) {
    UiServices::doEvents();
    return code <= 235 ? code + 20 : code - 20;
}

int DeconvertChar(int code) {
    UiServices::doEvents();
    return (code >= 216 && code <= 234) ? code + 20 : code - 20;
}

QString StrConvert(const QString& s) {
    std::string out;
    for (const char c : toAnsi(s)) {
        out += static_cast<char>(ConvertChar(static_cast<unsigned char>(c)));
        UiServices::doEvents();
    }
    return fromAnsi(out);
}

QString StrDeConvert(const QString& s) {
    std::string out;
    for (const char c : toAnsi(s)) {
        const int code = DeconvertChar(static_cast<unsigned char>(c));
        if (code >= 0)
            out += static_cast<char>(code);
        UiServices::doEvents();
    }
    return fromAnsi(out);
}

bool OpposeBool(bool value) {
    UiServices::doEvents();
    return !value;
}

} // namespace prgmain
