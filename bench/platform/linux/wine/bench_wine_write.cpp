// The registry while a wineserver runs for the prefix: what is stored is what it holds, so
// a command asks it for the keys it needs (`wine reg export`, once per key) and hands it
// its changes (one `wine reg import` per command). Baseline: the same reads and writes of
// the hive file when no server runs. A fresh prefix is made for the run (wineboot, tens
// of seconds); without Wine the program says so and measures nothing.
//
//   bench_wine_write [repetitions]

#include "BenchSupport.h"

#include "platform/Registry.h"
#include "platform/linux/wine/Wineserver.h"

#include <thread>

namespace {

using namespace bench;

int32_t writeValue(platform::Registry& reg, const std::string& name, const std::string& text) {
    platform::RegistryBatch batch(reg);
    platform::HKEY key = 0;
    if (const int32_t r = reg.RegCreateKeyA(platform::HKEY_CURRENT_USER, "Software\\Quorlin\\Zevra", &key))
        return r;
    const int32_t r =
        reg.RegSetValueExA(key, name, 0, platform::REG_SZ, reinterpret_cast<const uint8_t*>(text.c_str()),
                           static_cast<uint32_t>(text.size() + 1));
    reg.RegCloseKey(key);
    const int32_t sent = batch.end();
    return r ? r : sent;
}

std::string readValue(platform::Registry& reg, const char* key, const char* name) {
    platform::HKEY h = 0;
    if (reg.RegOpenKeyA(platform::HKEY_CURRENT_USER, key, &h) != platform::ERROR_SUCCESS)
        return {};
    char text[512] = {};
    uint32_t size = sizeof text - 1;
    reg.RegQueryValueExA(h, name, nullptr, nullptr, reinterpret_cast<uint8_t*>(text), &size);
    reg.RegCloseKey(h);
    return text;
}

// The four values Apply writes, in one batch, and the two it reads back.
int32_t writeApply(platform::Registry& reg, int round) {
    platform::RegistryBatch batch(reg);
    platform::HKEY key = 0;
    if (const int32_t r = reg.RegCreateKeyA(
            platform::HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager", &key))
        return r;
    for (const char* name : {"DllName", "ColorName", "SizeName", "ThemeActive"}) {
        const std::string text = std::string(name) + " " + std::to_string(round);
        reg.RegSetValueExA(key, name, 0, platform::REG_SZ, reinterpret_cast<const uint8_t*>(text.c_str()),
                           static_cast<uint32_t>(text.size() + 1));
    }
    reg.RegCloseKey(key);
    const int32_t sent = batch.end();
    for (const char* name : {"DllName", "ColorName"})
        readValue(reg, "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager", name);
    return sent;
}

// A value read by a command of its own.
double timedRead(const fs::path& prefix) {
    const auto started = Clock::now();
    platform::Registry reg(prefix);
    readValue(reg, "Software\\Quorlin\\Zevra", "LastChk");
    return msSince(started);
}

} // namespace

int main(int argc, char** argv) {
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const fs::path prefix = freshWinePrefix("wine");
    if (prefix.empty())
        return 0;
    auto started = Clock::now();

    std::vector<double> files, wine, applyFiles, applyWine, readFiles, readWine;
    {
        platform::Registry reg(prefix);
        for (int i = 0; i < repetitions; ++i) {
            started = Clock::now();
            writeValue(reg, "LastChk", "file " + std::to_string(i));
            files.push_back(msSince(started));
            started = Clock::now();
            writeApply(reg, i);
            applyFiles.push_back(msSince(started));
            readFiles.push_back(timedRead(prefix));
        }
    }

    std::system("wineserver -p");
    for (int i = 0; i < 300 && !platform::wineserverRunning(prefix); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    double first = 0;
    {
        platform::Registry reg(prefix);
        started = Clock::now();
        const int32_t r = writeValue(reg, "LastChk", "first");
        first = msSince(started);
        if (r != platform::ERROR_SUCCESS)
            std::printf("the write through Wine failed (%d)\n", r);
        for (int i = 0; i < repetitions; ++i) {
            // What was asked of Wine serves one command only: each here is a new one.
            std::this_thread::sleep_for(std::chrono::milliseconds(1100));
            started = Clock::now();
            writeValue(reg, "LastChk", "wine " + std::to_string(i));
            wine.push_back(msSince(started));
            std::this_thread::sleep_for(std::chrono::milliseconds(1100));
            started = Clock::now();
            writeApply(reg, repetitions + i);
            applyWine.push_back(msSince(started));
            readWine.push_back(timedRead(prefix));
        }
    }
    std::system("wineserver -k; wineserver -w");
    std::error_code ec;
    fs::remove_all(prefix.parent_path(), ec);

    result("Registry: first write through a running wineserver (`wine reg import`)",
           "fresh prefix, server just started", milliseconds(first),
           milliseconds(median(files)) + " into the file", "-", "-");
    result("Registry: one value written through a running wineserver (its key exported, one import)",
           "fresh prefix", milliseconds(median(wine)), milliseconds(median(files)) + " into the file",
           format("%.0fx", pairedRatio(wine, files)), "-");
    result("Registry: Apply's four values through a running wineserver, read back (export, import, export)",
           "fresh prefix", milliseconds(median(applyWine)),
           milliseconds(median(applyFiles)) + " with the file",
           format("%.0fx", pairedRatio(applyWine, applyFiles)), "-");
    result("Registry: one value read by a command while a wineserver runs (its key exported)", "fresh prefix",
           milliseconds(median(readWine)), milliseconds(median(readFiles)) + " from the file",
           format("%.0fx", pairedRatio(readWine, readFiles)), "-");
    return 0;
}
