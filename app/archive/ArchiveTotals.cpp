#include "ArchiveTotals.h"

#include <archive.h>
#include <archive_entry.h>

namespace ArchiveTotals {

std::optional<Totals> announced(const std::string& hostPath, const std::function<void()>& yield) {
    archive* a = archive_read_new();
    // The seeking reader starts from the central directory and skips the data.
    archive_read_support_format_zip_seekable(a);
    std::optional<Totals> result;
    if (archive_read_open_filename(a, hostPath.c_str(), 1 << 16) == ARCHIVE_OK) {
        Totals totals;
        archive_entry* entry = nullptr;
        int status = ARCHIVE_OK;
        while ((status = archive_read_next_header(a, &entry)) == ARCHIVE_OK || status == ARCHIVE_WARN) {
            ++totals.entries;
            if (archive_entry_size_is_set(entry) && archive_entry_size(entry) > 0)
                totals.bytes += static_cast<std::uint64_t>(archive_entry_size(entry));
            if (yield && totals.entries % 1024 == 0)
                yield();
        }
        if (status == ARCHIVE_EOF)
            result = totals;
    }
    archive_read_free(a);
    return result;
}

} // namespace ArchiveTotals
