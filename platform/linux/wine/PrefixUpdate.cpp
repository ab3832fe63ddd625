#include "platform/linux/wine/PrefixUpdate.h"

#include "platform/linux/wine/WineBuild.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

namespace fs = std::filesystem;

namespace platform::wine {
namespace {

// Wine reads at most this much of the stamp.
constexpr size_t kStampRead = 99;

// strtoul of the Windows C library wineboot runs on, where unsigned long has 32 bits (Wine's
// own: a 64-bit signed parse, then clamped): leading blanks, a sign, decimal digits; past 32
// bits ULONG_MAX, or 1 for a negative number, else the number modulo 2^32 (a minus sign
// negating it).
std::uint32_t windowsStrtoul(const char* text) {
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    std::uint64_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + static_cast<std::uint64_t>(*p - '0');
        if (value > 0xFFFFFFFFull)
            return negative ? 1u : 0xFFFFFFFFu;
    }
    const auto result = static_cast<std::uint32_t>(value);
    return negative ? static_cast<std::uint32_t>(0u - result) : result;
}

} // namespace

UpdateCheck compareStamps(const fs::path& prefix, const fs::path& wineInf) {
    UpdateCheck check;
    check.wineInf = wineInf;

    // Wine opens its wine.inf and takes the time from the open file.
    const int inf = ::open(wineInf.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat infStat {};
    if (inf < 0 || ::fstat(inf, &infStat) != 0) {
        check.why = {Problem::CannotOpen, wineInf.string(), {}, errno};
        if (inf >= 0)
            ::close(inf);
        return check;
    }
    ::close(inf);
    check.wineStamp = static_cast<std::uint32_t>(infStat.st_mtime);

    const fs::path stamp = prefix / ".update-timestamp";
    struct stat st {};
    if (::stat(stamp.c_str(), &st) != 0) {
        // No stamp (a link that leads nowhere included): Wine makes one, and updates. Any
        // other failure to reach it fails Wine's open too, which then updates nothing.
        check.stampMissing = errno == ENOENT;
        check.verdict = check.stampMissing ? UpdateCheck::WouldUpdate : UpdateCheck::WouldNotUpdate;
        return check;
    }
    // Wine opens the stamp for reading and writing; where it cannot (a folder, a read-only
    // file), it updates nothing.
    if (S_ISDIR(st.st_mode) || ::access(stamp.c_str(), R_OK | W_OK) != 0) {
        check.verdict = UpdateCheck::WouldNotUpdate;
        return check;
    }
    if (!S_ISREG(st.st_mode)) {
        check.why = {Problem::NotRegularFile, stamp.string()};
        return check;
    }
    const int fd = ::open(stamp.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        check.why = {Problem::CannotOpen, stamp.string(), {}, errno};
        return check;
    }
    char buffer[kStampRead + 1];
    ssize_t count;
    do
        count = ::read(fd, buffer, kStampRead);
    while (count < 0 && errno == EINTR);
    const int readError = errno;
    ::close(fd);
    if (count < 0) {
        // Wine rewrites a stamp it cannot read, and with it the prefix; say what failed.
        check.why = {Problem::CannotRead, stamp.string(), {}, readError};
        return check;
    }
    buffer[count] = '\0';
    check.prefixStamp.assign(buffer, static_cast<size_t>(count));
    // As C strings, the way Wine compares them: a NUL ends the text.
    if (std::strncmp(buffer, "disable", 7) == 0) {
        check.disabled = true;
        check.verdict = UpdateCheck::WouldNotUpdate;
        return check;
    }
    check.verdict =
        windowsStrtoul(buffer) == check.wineStamp ? UpdateCheck::WouldNotUpdate : UpdateCheck::WouldUpdate;
    return check;
}

UpdateCheck updateCheck(const fs::path& prefix, const fs::path& wine) {
    const auto inf = wineInfOf(wine);
    if (!inf) {
        UpdateCheck check;
        std::error_code ec;
        const fs::path real = fs::canonical(wine, ec);
        check.why = {Problem::WineInfNotFound, (ec ? wine : real).string()};
        return check;
    }
    return compareStamps(prefix, *inf);
}

} // namespace platform::wine
