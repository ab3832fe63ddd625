#include "platform/ThemeService.h"

#include "platform/ApplyThemeProtocol.h"
#include "platform/Codepage.h"
#include "platform/Process.h"
#include "platform/linux/wine/WineProgram.h"
#include "platform/linux/wine/WineThemeService.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <string_view>
#include <vector>

#ifndef KOLV_INSTALL_LIBDIR
#define KOLV_INSTALL_LIBDIR "lib"
#endif

namespace platform {
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

const char* programName(wine::PrefixArch arch) {
    return arch == wine::PrefixArch::Win32 ? "kolvmgr-apply-theme-i686.exe"
                                           : "kolvmgr-apply-theme-x86_64.exe";
}

} // namespace

namespace wine {

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
    std::vector<fs::path> candidates;
    if (const char* folder = std::getenv("KOLV_WINDOWS_PROGRAMS"); folder && *folder == '/')
        candidates.push_back(fs::path(folder) / programName(arch));
    if (const fs::path folder = runningProgramFolder(); !folder.empty()) {
        candidates.push_back(folder / ".." / KOLV_INSTALL_LIBDIR / "kolvmgr" / programName(arch));
        candidates.push_back(folder / programName(arch));
    }
    for (const fs::path& candidate : candidates)
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

std::vector<std::string> lookArguments(const Look& look) {
    static const char digits[] = "0123456789ABCDEF";
    const auto hex = [](uint32_t value, int count) {
        std::string text;
        for (int shift = 4 * (count - 1); shift >= 0; shift -= 4)
            text += digits[(value >> shift) & 0xF];
        return text;
    };
    const int flags = (look.gradientCaptions ? KOLV_LOOK_GRADIENT_CAPTIONS : 0) |
                      (look.flatMenus ? KOLV_LOOK_FLAT_MENUS : 0);
    std::string colors;
    for (const uint32_t color : look.colors)
        colors += hex(color & 0xFFFFFF, 6);
    std::vector<std::string> arguments{hex(static_cast<uint32_t>(flags), 1), colors};
    if (!look.metrics)
        return arguments;
    std::string sizes;
    for (const int32_t size : look.metrics->sizes)
        sizes += hex(static_cast<uint32_t>(size), 8);
    arguments.push_back(sizes);
    for (const LookFont& font : look.metrics->fonts)
        arguments.push_back(hex(static_cast<uint32_t>(font.height), 8) +
                            hex(static_cast<uint32_t>(font.weight), 8) + (font.italic ? "1" : "0") +
                            hexArgument(font.face));
    return arguments;
}

} // namespace wine

struct ThemeService::Impl {
    fs::path prefix;
    std::chrono::milliseconds limit;
    Problem unreachable;
    fs::path program;
    std::string name; // of the program, as the user is told of it

    // Runs the program with the arguments; one decision of how, made beforehand.
    ThemeOutcome run(const std::vector<std::string>& arguments) const;
};

ThemeService::ThemeService(const fs::path& root, std::chrono::milliseconds limit)
    : m_impl(std::make_unique<Impl>()) {
    Impl& d = *m_impl;
    d.prefix = root;
    d.limit = limit;
    const auto arch = wine::prefixArchitecture(root);
    // A folder laid out as a prefix but never made by Wine (the program's private root)
    // would be turned into one by the first wine started in it.
    if (!arch || !isRegularFile(root / "drive_c" / "windows" / "system32" / "uxtheme.dll")) {
        d.unreachable = {Problem::NotAPrefix, root.string()};
        return;
    }
    d.name = programName(*arch);
    const auto program = wine::applyThemeProgram(*arch);
    if (!program) {
        d.unreachable = {Problem::NotInstalled, d.name};
        return;
    }
    // Only the prefix's own Wine, and none that would update the prefix.
    if (Problem refused = wine::wineUnavailable(root)) {
        d.unreachable = std::move(refused);
        return;
    }
    d.program = *program;
}

ThemeService::~ThemeService() = default;

const Problem& ThemeService::unreachable() const {
    return m_impl->unreachable;
}

ThemeOutcome ThemeService::Impl::run(const std::vector<std::string>& arguments) const {
    ThemeOutcome result;
    if (unreachable) {
        result.why = unreachable;
        return result;
    }
    using wine::Run;
    std::vector<std::string> args{wine::unixPathForWine(program.string())};
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
        result.why = run.notStarted;
        return result;
    case Run::TimedOut:
        result.kind = ThemeOutcome::TimedOut;
        result.why = wine::runProblem(run, "wine", limit);
        return result;
    case Run::Signalled:
        result.kind = ThemeOutcome::Interrupted;
        result.why = wine::runProblem(run, "wine", limit);
        return result;
    case Run::Exited:
        break;
    }
    // Without the program's first line it never ran: wine could not start it (a 32-bit
    // prefix without Wine's 32-bit half, for one), and nothing was changed.
    if (!started(run)) {
        const std::string_view said =
            wine::lastLine(run.err).empty() ? wine::lastLine(run.out) : wine::lastLine(run.err);
        result.why = {Problem::WineCannotRun, name, std::string(said)};
        return result;
    }
    // Only its last word says how it went; without one it was killed or crashed part-way,
    // whatever status wine gave.
    const std::string_view last = wine::lastLine(run.out);
    if (last == KOLV_APPLY_THEME_DONE && run.code == KOLV_APPLY_OK)
        return themeOutcome(KOLV_APPLY_OK, {});
    if (!last.starts_with("error: ")) {
        result.kind = ThemeOutcome::Interrupted;
        result.why = {Problem::ProgramUnfinished, name};
        return result;
    }
    return themeOutcome(run.code == KOLV_APPLY_OK ? KOLV_APPLY_FAILED : run.code,
                        std::string(last.substr(7)));
}

ThemeOutcome ThemeService::applyStyle(const std::string& dllName, const std::string& color,
                                      const std::string& size) {
    return m_impl->run(
        {"apply", wine::hexArgument(dllName), wine::hexArgument(color), wine::hexArgument(size)});
}

ThemeOutcome ThemeService::applyClassic() {
    return m_impl->run({"classic"});
}

ThemeOutcome ThemeService::applyLook(const Look& look, bool classic) {
    if (!lookUsable(look))
        return {ThemeOutcome::Refused, {Problem::LookUnusable}};
    std::vector<std::string> arguments = wine::lookArguments(look);
    arguments.insert(arguments.begin(), classic ? "scheme" : "look");
    return m_impl->run(arguments);
}

} // namespace platform
