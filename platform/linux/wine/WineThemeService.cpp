#include "platform/WineThemeService.h"

#include "platform/ApplyThemeProtocol.h"
#include "platform/Codepage.h"
#include "platform/Process.h"
#include "platform/linux/wine/WineProgram.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <fstream>
#include <string_view>
#include <vector>

#ifndef KOLV_INSTALL_LIBDIR
#define KOLV_INSTALL_LIBDIR "lib"
#endif

namespace platform::wine {
namespace fs = std::filesystem;

namespace {

bool isRegularFile(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

fs::path runningProgramFolder() {
    std::array<char, 4096> buffer{};
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0)
        return {};
    return fs::path(std::string(buffer.data(), static_cast<size_t>(n))).parent_path();
}

const char* programName(PrefixArch arch) {
    return arch == PrefixArch::Win32 ? "kolvmgr-apply-theme-i686.exe" : "kolvmgr-apply-theme-x86_64.exe";
}

// The last line of a text, without its end.
std::string_view finalLine(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.remove_suffix(1);
    const size_t start = text.find_last_of('\n');
    return start == std::string_view::npos ? text : text.substr(start + 1);
}

// The program's last line, which says what failed; wine's own words when it printed none.
std::string lastLine(const Run& run) {
    for (const std::string* text : {&run.out, &run.err}) {
        std::string_view rest = finalLine(*text);
        if (rest.starts_with("error: "))
            rest.remove_prefix(7);
        if (!rest.empty() && rest != KOLV_APPLY_THEME_MARKER)
            return std::string(rest);
    }
    return {};
}

// The program to run in the prefix, or why there is none.
std::optional<fs::path> programFor(const fs::path& prefix, Problem& why) {
    const auto arch = prefixArchitecture(prefix);
    // A folder laid out as a prefix but never made by Wine (the program's private root)
    // would be turned into one by the first wine started in it.
    if (!arch || !isRegularFile(prefix / "drive_c" / "windows" / "system32" / "uxtheme.dll")) {
        why = {Problem::NotAPrefix, prefix.string()};
        return std::nullopt;
    }
    const auto program = applyThemeProgram(*arch);
    if (!program) {
        why = {Problem::NotInstalled, programName(*arch)};
        return std::nullopt;
    }
    if (!findProgramOnPath("wine")) {
        why = {Problem::WineMissing};
        return std::nullopt;
    }
    return program;
}

ThemeRun runProgram(const fs::path& prefix, const std::vector<std::string>& arguments,
                    std::chrono::milliseconds limit) {
    ThemeRun result;
    const auto program = programFor(prefix, result.why);
    if (!program)
        return result;
    const char* name = programName(*prefixArchitecture(prefix));
    std::vector<std::string> args{unixPathForWine(program->string())};
    args.insert(args.end(), arguments.begin(), arguments.end());
    const auto started = [](const Run& run) {
        return run.outcome == Run::Exited &&
               run.out.compare(0, std::string_view(KOLV_APPLY_THEME_MARKER).size(),
                               KOLV_APPLY_THEME_MARKER) == 0;
    };
    Run run = wine::run(prefix, args, limit);
    // Wine that did not get the program going was either unable to (then it is again) or
    // had its wineserver stopped under it as it started (then a second start serves).
    if (run.outcome == Run::Exited && !started(run))
        run = wine::run(prefix, args, limit);

    switch (run.outcome) {
    case Run::NotStarted:
        if (run.notStarted == Run::WineMissing)
            result.why = {Problem::WineMissing};
        else
            result.why = {run.notStarted == Run::NoOutputFile ? Problem::NoOutputFile
                                                              : Problem::WineNotStarted,
                          {},
                          {},
                          run.error};
        return result;
    case Run::TimedOut:
        result.outcome = ThemeRun::TimedOut;
        result.why = {Problem::TimeLimit, {}, {}, std::chrono::ceil<std::chrono::seconds>(limit).count()};
        return result;
    case Run::Signalled:
        result.outcome = ThemeRun::Interrupted;
        result.why = {Problem::WineSignal, {}, {}, run.code};
        return result;
    case Run::Exited:
        break;
    }
    // Without the program's first line it never ran: wine could not start it (a 32-bit
    // prefix without Wine's 32-bit half, for one), and nothing was changed.
    if (!started(run)) {
        result.why = {Problem::WineCannotRun, name, lastLine(run)};
        return result;
    }
    // Only its last word says how it went; without one it was killed or crashed part-way,
    // whatever status wine gave.
    const std::string_view last = finalLine(run.out);
    if (last == KOLV_APPLY_THEME_DONE && run.code == KOLV_APPLY_OK) {
        result.outcome = ThemeRun::Applied;
        result.why = {};
        return result;
    }
    if (!last.starts_with("error: ")) {
        result.outcome = ThemeRun::Interrupted;
        result.why = {Problem::ProgramUnfinished, name};
        return result;
    }
    result.why = {Problem::ProgramSaid, {}, std::string(last.substr(7))};
    switch (run.code) {
    case KOLV_APPLY_NO_STYLE_FILE:
    case KOLV_APPLY_REFUSED:
        result.outcome = ThemeRun::Refused;
        break;
    case KOLV_APPLY_NOT_RECORDED:
        result.outcome = ThemeRun::NotRecorded;
        break;
    default:
        result.outcome = ThemeRun::Failed;
        break;
    }
    return result;
}

} // namespace

Problem whyUnreachable(const fs::path& prefix) {
    Problem why;
    programFor(prefix, why);
    return why;
}

std::optional<PrefixArch> prefixArchitecture(const fs::path& prefix) {
    std::ifstream in(prefix / "system.reg");
    std::string line;
    // The line sits in the header, before the first key.
    for (int i = 0; i < 8 && std::getline(in, line); ++i) {
        if (line == "#arch=win32")
            return PrefixArch::Win32;
        if (line == "#arch=win64")
            return PrefixArch::Win64;
    }
    return std::nullopt;
}

std::optional<fs::path> applyThemeProgram(PrefixArch arch) {
    const fs::path folder = runningProgramFolder();
    if (folder.empty())
        return std::nullopt;
    for (const fs::path& candidate :
         {folder / ".." / KOLV_INSTALL_LIBDIR / "kolvmgr" / programName(arch), folder / programName(arch)})
        if (isRegularFile(candidate))
            return candidate.lexically_normal();
    return std::nullopt;
}

std::string hexArgument(const std::string& utf8) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (const char16_t unit : utf8ToUtf16(utf8))
        for (int shift = 12; shift >= 0; shift -= 4)
            hex += digits[(unit >> shift) & 0xF];
    return hex;
}

ThemeRun applyStyle(const fs::path& prefix, const std::string& dllName, const std::string& color,
                    const std::string& size, std::chrono::milliseconds limit) {
    return runProgram(prefix, {"apply", hexArgument(dllName), hexArgument(color), hexArgument(size)}, limit);
}

ThemeRun applyClassic(const fs::path& prefix, std::chrono::milliseconds limit) {
    return runProgram(prefix, {"classic"}, limit);
}

} // namespace platform::wine
