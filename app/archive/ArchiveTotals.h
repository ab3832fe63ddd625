#pragma once
// What an archive says of its size before it is extracted: the number of entries and the
// bytes of their data. A ZIP archive lists both in its central directory, read here
// without touching any entry's data; the other formats only tell as they are read.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace ArchiveTotals {

struct Totals {
    std::uint64_t entries = 0;
    std::uint64_t bytes = 0;
};

// The totals of the archive at hostPath, nullopt when it is no ZIP archive or its
// directory cannot be read. yield runs now and then while a long directory is read.
std::optional<Totals> announced(const std::string& hostPath, const std::function<void()>& yield = {});

} // namespace ArchiveTotals
