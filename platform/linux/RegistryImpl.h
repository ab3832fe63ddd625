#pragma once
// The Linux back end of Registry: the two hive files, the handles, and where a change goes
// (into the file, or into the registry of a running wineserver), shared by the registry
// calls (Registry.cpp) and the machinery below them (RegistryImpl.cpp).

#include "platform/Registry.h"
#include "platform/linux/Recheck.h"
#include "platform/linux/hive/HiveDocument.h"
#include "platform/linux/hive/HiveFile.h"
#include "platform/linux/wine/RunningRegistry.h"
#include "platform/linux/wine/WineRegTool.h"

#include <filesystem>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace platform {
namespace registry_impl {

using Clock = RecheckClock;
constexpr int kUser = 0;
constexpr int kMachine = 1;
constexpr uint32_t kKeyAllAccess = 0xF003F;

struct Hive {
    std::filesystem::path file;
    std::filesystem::path sibling;
    std::string relativeTo;
    hive::Document doc;
    hive::FileIdentity identity;
    bool loaded = false; // identity tells what doc holds
    bool broken = false;
    Problem problem; // why it is broken
    Clock::time_point checked{};
    uint64_t generation = 0; // changes whenever key positions may have moved
};

struct Handle {
    int hive = kUser;
    std::vector<std::u16string> components;
    std::string folded;
    bool predefined = false;
    uint32_t access = kKeyAllAccess;
    uint64_t generation = ~uint64_t(0); // of the document key was found in
    long key = -1;
};

// A key path the check of a change looks at, with everything below it.
using KeyPath = std::vector<std::u16string>;

// A hive the user made read-only stays as it is, though the folder would let a rename
// replace it (and a running Wine could not save it either).
bool readOnly(const std::filesystem::path& file);

} // namespace registry_impl

struct Registry::Impl {
    using Hive = registry_impl::Hive;
    using Handle = registry_impl::Handle;
    using KeyPath = registry_impl::KeyPath;
    using Clock = registry_impl::Clock;

    std::filesystem::path root;
    std::mutex mutex;
    Hive hives[2];
    Handle roots[3]; // HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT
    std::unordered_map<HKEY, Handle> handles;
    HKEY next = 0x100;
    // What the running Wine holds, and the changes on their way to it (sent when the
    // outermost batch ends).
    RunningRegistry running;
    int batchDepth = 0;
    WriteProblem problem;
    Clock::time_point serverChecked{};
    bool serverSeen = false;

    explicit Impl(std::filesystem::path r);

    int32_t resolve(HKEY key, Handle*& out);
    HKEY allocate(Handle handle);

    void load(Hive& h);
    // Reads the file again when it changed; a read looks at most every kRecheckInterval
    // (at: now, as the caller read the clock), a write always does.
    void refresh(Hive& h, bool force, Clock::time_point at = Clock::now());

    // Whether a wineserver runs for the prefix; asked again after kRecheckInterval, or now.
    bool serverUp(bool now = false, Clock::time_point at = Clock::now());
    // Whether what is stored is what a running Wine holds: a server runs, or changes are
    // still on their way to one.
    bool live(Clock::time_point at = Clock::now()) {
        return !running.pending().empty() || serverUp(false, at);
    }
    // Outside a batch, what was exported of the running registry serves a moment only, and
    // nothing once the server has stopped (the files then hold what it held).
    void settle();
    // The document that says what is stored in the key and below it, and the generation a
    // handle's key index in it goes with; null when the hive file cannot be read.
    const hive::Document* view(int hive, const KeyPath& key, uint64_t& generation);
    long keyOf(Handle& handle, const hive::Document& doc, uint64_t generation);
    // Whether the handle's key was deleted since it was opened (a root never is).
    static bool deleted(const Handle& handle, const hive::Document& doc) {
        return !handle.predefined && !doc.keyExists(handle.folded);
    }

    // A change: check(doc, due) tells whether one is due (or fails) against what is stored,
    // made to know the keys in looked; then the edit goes into the hive file, or to the
    // running Wine.
    template <class Check>
    int32_t change(int hive, const std::vector<KeyPath>& looked, Check&& check, winereg::Edit edit) {
        Hive& h = hives[hive];
        if (batchDepth == 0)
            problem = {};
        settle();
        if (const int32_t r = flushIfServerStopped(); r != ERROR_SUCCESS)
            return r;
        refresh(h, true);
        if (h.broken)
            return refuse(WriteProblem::NotTaken, h, {Problem::HiveUnreadable, h.file.string()});
        // Asked now, as the file is read now: a server seen missing a moment ago may have
        // started since, and a change written to the file under it would be lost when it stops.
        bool throughWine = !running.pending().empty() || serverUp(true);
        if (throughWine) {
            if (!winereg::canCarry(edit))
                return refuse(WriteProblem::NotTaken, h, {Problem::LineBreakInKeyName});
            if (const int32_t r = admit(hive, looked); r != ERROR_SUCCESS) {
                // A server that stopped while it was asked leaves the files to write.
                if (!running.pending().empty() || serverUp(true))
                    return r;
                problem = {};
                throughWine = false;
            }
        }
        if (throughWine) {
            bool due = false;
            if (const int32_t r = check(running.doc(hive == registry_impl::kMachine), due);
                r != ERROR_SUCCESS || !due)
                return r;
            // Wine could not save it either when it stops.
            if (registry_impl::readOnly(h.file))
                return refuse(WriteProblem::FileNotWritable, h, {Problem::ReadOnly});
            running.add(std::move(edit));
            return batchDepth > 0 ? ERROR_SUCCESS : sendPending();
        }
        bool due = false;
        if (const int32_t r = check(h.doc, due); r != ERROR_SUCCESS || !due)
            return r;
        if (registry_impl::readOnly(h.file))
            return refuse(WriteProblem::FileNotWritable, h, {Problem::ReadOnly});
        for (int attempt = 0;; ++attempt) {
            bool sendToo = false;
            {
                hive::WriterLock lock(h.file);
                if (!lock.held())
                    return refuse(WriteProblem::NotTaken, h, {Problem::Locked});
                refresh(h, true);
                if (h.broken)
                    return refuse(WriteProblem::NotTaken, h, {Problem::HiveUnreadable, h.file.string()});
                due = false;
                if (const int32_t r = check(h.doc, due); r != ERROR_SUCCESS || !due)
                    return r;
                switch (saveEdit(h, edit)) {
                case Saved::Unchanged:
                    return ERROR_SUCCESS;
                case Saved::Failed:
                    return ERROR_ACCESS_DENIED;
                case Saved::Kept:
                    return ERROR_SUCCESS;
                case Saved::ServerCameUp:
                    sendToo = true;
                    break;
                case Saved::Overwritten:
                    break;
                }
            }
            if (sendToo) {
                // A server that came up while the file was written may have read it before
                // it was replaced: it is given the change too.
                running.add(std::move(edit));
                return batchDepth > 0 ? ERROR_SUCCESS : sendPending();
            }
            if (attempt == 2)
                return refuse(WriteProblem::NotTaken, h, {Problem::ReplacedEachTime, h.file.string()});
        }
    }

    // What became of an edit saved into its hive file.
    enum class Saved {
        Unchanged,    // nothing to write
        Failed,       // not written (problem says why)
        Kept,         // written, and still there
        ServerCameUp, // written while a server started
        Overwritten,  // written, and replaced by another program since, without it
    };
    Saved saveEdit(Hive& h, const winereg::Edit& edit);
    // Knows the keys the check of a change looks at in the running registry, or refuses.
    int32_t admit(int hive, const std::vector<KeyPath>& looked);
    // Hands the pending edits to Wine in one call of its tool; where it fails, finds out
    // whether they took before saying anything.
    int32_t sendPending();
    enum class Verdict { Holds, Missing, Unknown };
    Verdict verify(const std::vector<winereg::Edit>& edits, Problem& check);
    // The server stopped: the edits go into the files it saved. cameUp: a server started
    // while they were written.
    int32_t commitToFiles(const std::vector<winereg::Edit>& edits, bool& cameUp);
    int32_t refuse(WriteProblem::Kind kind, const Hive& h, Problem why);
    // Changes on their way to a server that has stopped go into the files it saved.
    int32_t flushIfServerStopped();
    // A failure of sending a batch's changes early (before a read), said when it ends.
    int32_t batchFailure = ERROR_SUCCESS;
};

} // namespace platform
