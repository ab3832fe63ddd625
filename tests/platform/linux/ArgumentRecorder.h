#pragma once
// A stand-in program that records the arguments it was started with, for the tests of
// what a started program receives.

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

// Writes folder/name: a script that records its arguments, each ended by a NUL, in the
// file out, which appears whole once they are all written. It needs nothing from PATH.
inline std::filesystem::path writeArgumentRecorder(const std::filesystem::path& folder,
                                                   const std::string& name,
                                                   const std::filesystem::path& out) {
    const auto script = folder / name;
    std::ofstream(script) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done > '" << out.string()
                          << ".tmp'\n/bin/mv '" << out.string() << ".tmp' '" << out.string() << "'\n";
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    return script;
}

// The arguments the recorder wrote to out; waits (ten seconds at most) for the started
// program, which a start never waits for. Empty with the single text "<not started>"
// when nothing came.
inline std::vector<std::string> recordedArguments(const std::filesystem::path& out) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!std::filesystem::exists(out) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (!std::filesystem::exists(out))
        return {"<not started>"};
    std::ifstream in(out, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> args;
    size_t start = 0;
    for (size_t nul = text.find('\0'); nul != std::string::npos; nul = text.find('\0', start)) {
        args.push_back(text.substr(start, nul - start));
        start = nul + 1;
    }
    return args;
}

} // namespace testing_support
