#pragma once
// A Wine prefix as Wine makes one, as far as the program looks (the architecture its
// system.reg records, uxtheme.dll in system32), and a `wine` first on PATH that stands in
// for it while the object lives.

#include "platform/linux/EnvGuard.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace testing_support {

// Each call of the stand-in adds its arguments, decoded where they are the Windows
// program's hex texts, as a line to calls(), prints the reply set and ends with the exit
// code set.
class FakeThemeWine {
public:
    FakeThemeWine(const std::filesystem::path& prefix, const std::filesystem::path& scratch,
                  const char* arch = "win64")
        : m_bin(scratch / "theme-bin"), m_path("PATH", (m_bin.string() + ":/usr/bin:/bin").c_str()) {
        std::filesystem::create_directories(m_bin);
        std::filesystem::create_directories(prefix / "drive_c" / "windows" / "system32");
        std::ofstream(prefix / "drive_c" / "windows" / "system32" / "uxtheme.dll") << "MZ";
        std::ofstream(prefix / "system.reg")
            << "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=" << arch << "\n";
        reply("kolvmgr-apply-theme 1\ndone\n", 0);
        std::ofstream(m_bin / "wine") << "#!/bin/sh\n"
                                         "d='"
                                      << m_bin.string()
                                      << "'\n"
                                         "line=\"WINEPREFIX=$WINEPREFIX\"\n"
                                         "for a in \"$@\"; do line=\"$line|$a\"; done\n"
                                         "printf '%s\\n' \"$line\" >> \"$d/calls\"\n"
                                         "[ -f \"$d/also\" ] && . \"$d/also\"\n"
                                         "cat \"$d/reply\"\n"
                                         "exit $(cat \"$d/exit\")\n";
        std::filesystem::permissions(m_bin / "wine", std::filesystem::perms::owner_all);
    }
    void reply(const std::string& out, int code) const {
        std::ofstream(m_bin / "reply") << out;
        std::ofstream(m_bin / "exit") << code << "\n";
    }
    // A shell command each call runs before it replies (what the program did in Wine).
    void also(const std::string& command) const { std::ofstream(m_bin / "also") << command << "\n"; }
    // Each call as "WINEPREFIX=<p> [arg] [arg] <text>...": a hex argument decoded as <text>.
    std::vector<std::string> calls() const {
        std::vector<std::string> out;
        std::ifstream in(m_bin / "calls");
        for (std::string line; std::getline(in, line);) {
            std::string call;
            size_t start = 0;
            for (size_t bar = line.find('|'); start != std::string::npos; bar = line.find('|', start)) {
                const std::string arg = line.substr(start, bar == std::string::npos ? bar : bar - start);
                call += start == 0 ? arg : " " + shown(arg);
                start = bar == std::string::npos ? bar : bar + 1;
            }
            out.push_back(call);
        }
        return out;
    }

private:
    static std::string shown(const std::string& arg) {
        const bool hex = !arg.empty() && arg.size() % 4 == 0 &&
                         arg.find_first_not_of("0123456789ABCDEF") == std::string::npos;
        if (!hex)
            return "[" + arg + "]";
        std::string text;
        for (size_t i = 0; i < arg.size(); i += 4) {
            const unsigned unit = std::stoul(arg.substr(i, 4), nullptr, 16);
            text += unit < 0x80 ? char(unit) : '?';
        }
        return "<" + text + ">";
    }

    std::filesystem::path m_bin;
    testing_support::EnvGuard m_path;
};

} // namespace testing_support
