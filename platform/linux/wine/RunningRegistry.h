#pragma once
// What a running wineserver holds of a prefix's registry, as far as the program asked for
// it: each key it needs is exported through Wine's own registry tool once, with everything
// below it, into a document per hive; the changes still on their way to Wine are made in
// those documents too, so that what is read is what Wine will hold. Linux only.

#include "platform/linux/hive/HiveDocument.h"
#include "platform/linux/wine/WineRegTool.h"

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class RunningRegistry {
public:
    explicit RunningRegistry(std::filesystem::path prefix);

    // Makes sure the hive's document knows the key and everything below it, exporting it
    // unless an earlier export did. False, with why, when Wine's tool could not tell.
    bool cover(bool machine, const std::vector<std::u16string>& key, Problem& problem);
    // The hive as far as it was exported, the pending changes made in it.
    const hive::Document& doc(bool machine) const { return m_hives[machine ? 1 : 0].doc; }
    // Changes whenever a document does (a key's place in it may have moved).
    uint64_t generation() const { return m_generation; }

    // A change on its way to Wine: made in the document, kept until taken.
    void add(winereg::Edit edit);
    const std::vector<winereg::Edit>& pending() const { return m_pending; }
    std::vector<winereg::Edit> takePending();

    // Forgets what was exported (the pending changes stay): the next question asks Wine.
    void forget();
    // How long ago the oldest export still known was made (zero when there is none).
    std::chrono::steady_clock::duration age() const;

private:
    // A key exported with everything below it, or found missing.
    struct Piece {
        bool present = false;
        std::string sections; // its "[...]" sections in the hive files' own format
    };
    struct Hive {
        std::map<std::string, Piece> pieces; // by folded path; none lies below another
        hive::Document doc;
    };
    void rebuild(int index);

    std::filesystem::path m_prefix;
    Hive m_hives[2];
    std::vector<winereg::Edit> m_pending;
    uint64_t m_generation = 0;
    std::chrono::steady_clock::time_point m_oldest{};
};

// Makes the edit in the document, as the hive file or the running registry holds it
// afterwards. Whether the text changed.
bool applyEdit(hive::Document& doc, const winereg::Edit& edit, uint64_t now);
// Whether the document shows the edit made: the key there with the value as set, or gone.
// Text is compared without trailing NULs, which Wine's tool does not export.
bool editHolds(const hive::Document& doc, const winereg::Edit& edit);

} // namespace platform
