#include "platform/linux/RegistryImpl.h"

#include "platform/Diagnostics.h"
#include "platform/linux/hive/HiveText.h"
#include "platform/linux/wine/Wineserver.h"

#include <algorithm>
#include <fstream>

#include <sys/stat.h>

namespace platform {

using namespace registry_impl;

namespace {

// What was exported of the running registry serves the next calls outside a batch for this
// long: the reads and writes of one command follow each other within it.
constexpr auto kLiveReuse = std::chrono::seconds(1);

// Wine records whether a prefix is 32- or 64-bit in both hives; a new hive copies it.
std::string archLine(const std::filesystem::path& sibling) {
    std::ifstream in(sibling);
    std::string line;
    for (int i = 0; i < 8 && std::getline(in, line); ++i)
        if (line.starts_with("#arch="))
            return line;
    return {};
}

bool isKeyEdit(const winereg::Edit& edit) {
    return edit.kind == winereg::Edit::CreateKey || edit.kind == winereg::Edit::DeleteKey;
}

// a lies at b or below it.
bool within(const std::string& a, const std::string& b) {
    return a == b || a.starts_with(b + '\0');
}

// Whether a later edit of the batch decides what edits[i] would: its effect is not to be
// looked for once they all are made.
bool superseded(const std::vector<winereg::Edit>& edits, size_t i) {
    const winereg::Edit& e = edits[i];
    const std::string key = hive::foldPath(e.key);
    for (size_t j = i + 1; j < edits.size(); ++j) {
        const winereg::Edit& later = edits[j];
        if (later.machine != e.machine)
            continue;
        const std::string laterKey = hive::foldPath(later.key);
        if (later.kind == winereg::Edit::DeleteKey && within(key, laterKey))
            return true;
        if (e.kind == winereg::Edit::DeleteKey && !isKeyEdit(later) && within(laterKey, key))
            return true;
        if (e.kind == winereg::Edit::DeleteKey && later.kind == winereg::Edit::CreateKey &&
            within(laterKey, key))
            return true;
        if (!isKeyEdit(e) && !isKeyEdit(later) && laterKey == key && hive::equalFolded(e.name, later.name))
            return true;
    }
    return false;
}

} // namespace

bool registry_impl::readOnly(const std::filesystem::path& file) {
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 && (st.st_mode & 0222) == 0;
}

Registry::Impl::Impl(std::filesystem::path r) : root(std::move(r)), running(root) {
    hives[kUser].file = root / "user.reg";
    hives[kUser].sibling = root / "system.reg";
    hives[kUser].relativeTo = hive::kUserHiveRoot;
    hives[kMachine].file = root / "system.reg";
    hives[kMachine].sibling = root / "user.reg";
    hives[kMachine].relativeTo = hive::kMachineHiveRoot;
    roots[0].hive = kUser;
    roots[1].hive = kMachine;
    roots[2].hive = kMachine;
    roots[2].components = {u"Software", u"Classes"};
    for (Handle& h : roots) {
        h.predefined = true;
        h.folded = hive::foldPath(h.components);
    }
}

int32_t Registry::Impl::resolve(HKEY key, Handle*& out) {
    switch (key) {
    case HKEY_CURRENT_USER:
        out = &roots[0];
        return ERROR_SUCCESS;
    case HKEY_LOCAL_MACHINE:
        out = &roots[1];
        return ERROR_SUCCESS;
    case HKEY_CLASSES_ROOT:
        out = &roots[2];
        return ERROR_SUCCESS;
    default:
        break;
    }
    if (key >= 0x80000000u)
        return ERROR_ACCESS_DENIED;
    const auto it = handles.find(key);
    if (it == handles.end())
        return ERROR_INVALID_HANDLE;
    out = &it->second;
    return ERROR_SUCCESS;
}

HKEY Registry::Impl::allocate(Handle handle) {
    while (handles.count(next) || next >= 0x80000000u - 4)
        next = next >= 0x80000000u - 4 ? 0x100 : next + 4;
    const HKEY h = next;
    next += 4;
    handles.emplace(h, std::move(handle));
    return h;
}

void Registry::Impl::load(Hive& h) {
    Problem problem;
    hive::FileIdentity id;
    std::optional<hive::ParseFailure> failure;
    ++h.generation;
    h.loaded = true;
    h.broken = false;
    h.problem = {};
    const auto status = hive::loadFile(h.file, h.doc, id, problem, failure);
    if (status == hive::ReadStatus::Failed) {
        h.identity = hive::statIdentity(h.file);
        h.doc.clear();
        h.broken = true;
        h.problem = std::move(problem);
        diagnose(Problem{Problem::HiveNotUsed, h.file.string()}.resting(h.problem));
        return;
    }
    h.identity = id;
    if (status == hive::ReadStatus::Missing) {
        h.doc.makeEmpty(hive::formatHeader(h.relativeTo, archLine(h.sibling)));
        return;
    }
    if (failure) {
        h.broken = true;
        h.problem = {failure->reason, h.file.string(), {}, static_cast<long>(failure->line)};
        diagnose(Problem{Problem::HiveNotUsed, h.file.string()}.resting(h.problem));
    }
}

void Registry::Impl::refresh(Hive& h, bool force, Clock::time_point at) {
    if (!force && h.loaded && at - h.checked < kRecheckInterval)
        return;
    h.checked = at;
    if (h.loaded && hive::statIdentity(h.file) == h.identity)
        return;
    load(h);
}

bool Registry::Impl::serverUp(bool now, Clock::time_point at) {
    if (now || at - serverChecked >= kRecheckInterval) {
        serverSeen = wineserverRunning(root);
        serverChecked = at;
    }
    return serverSeen;
}

void Registry::Impl::settle() {
    if (batchDepth > 0 || !running.pending().empty() || running.age() == Clock::duration{})
        return;
    if (running.age() > kLiveReuse || !serverUp())
        running.forget();
}

int32_t Registry::Impl::flushIfServerStopped() {
    if (running.pending().empty() || serverUp(true))
        return ERROR_SUCCESS;
    return sendPending();
}

const hive::Document* Registry::Impl::view(int index, const KeyPath& key, uint64_t& generation) {
    settle();
    if (const int32_t r = flushIfServerStopped(); r != ERROR_SUCCESS && batchFailure == ERROR_SUCCESS)
        batchFailure = r;
    // One reading of the clock serves both questions: reads come in their thousands.
    const auto at = Clock::now();
    // Without Wine's tool (said once at start-up) the files are all there is to read.
    if (live(at) && !winereg::toolUnavailable(root)) {
        Problem problem;
        if (running.cover(index == kMachine, key, problem)) {
            generation = running.generation() << 1 | 1;
            return &running.doc(index == kMachine);
        }
        diagnose(Problem{Problem::FileReadInstead, root.string()}.resting(std::move(problem)));
    }
    Hive& h = hives[index];
    refresh(h, false, at);
    generation = h.generation << 1;
    return h.broken ? nullptr : &h.doc;
}

long Registry::Impl::keyOf(Handle& handle, const hive::Document& doc, uint64_t generation) {
    if (handle.generation != generation) {
        handle.key = doc.findKey(handle.folded);
        handle.generation = generation;
    }
    return handle.key;
}

int32_t Registry::Impl::refuse(WriteProblem::Kind kind, const Hive& h, Problem why) {
    problem = {
        kind, kind == WriteProblem::FileNotWritable ? h.file.string() : std::string(), std::move(why), {}};
    return ERROR_ACCESS_DENIED;
}

Registry::Impl::Saved Registry::Impl::saveEdit(Hive& h, const winereg::Edit& edit) {
    ++h.generation;
    if (!applyEdit(h.doc, edit, hive::fileTimeNow()))
        return Saved::Unchanged;
    hive::FileIdentity id;
    Problem failure;
    if (!hive::saveFile(h.file, h.doc, id, failure)) {
        h.loaded = false; // the next access reads the file again, dropping the change
        diagnose(Problem{Problem::HiveNotSaved, h.file.string()}.resting(failure));
        refuse(WriteProblem::FileNotWritable, h, std::move(failure));
        return Saved::Failed;
    }
    h.identity = id;
    h.checked = Clock::now();
    // Wine's server takes its lock before it loads the registry: one that holds it now
    // may have read the file before it was replaced, one that does not read the new file.
    if (serverUp(true))
        return Saved::ServerCameUp;
    if (hive::statIdentity(h.file) == id)
        return Saved::Kept;
    // Replaced since (a server that came and went writes its registry back): the change
    // must be in what replaced it.
    refresh(h, true);
    return !h.broken && editHolds(h.doc, edit) ? Saved::Kept : Saved::Overwritten;
}

int32_t Registry::Impl::admit(int index, const std::vector<KeyPath>& looked) {
    if (Problem refused = winereg::toolUnavailable(root))
        return refuse(WriteProblem::NotTaken, hives[index], std::move(refused));
    for (const KeyPath& key : looked) {
        Problem failure;
        if (!running.cover(index == kMachine, key, failure))
            return refuse(WriteProblem::NotTaken, hives[index],
                          Problem{Problem::RunningUnreadable}.resting(std::move(failure)));
    }
    return ERROR_SUCCESS;
}

int32_t Registry::Impl::sendPending() {
    if (running.pending().empty())
        return ERROR_SUCCESS;
    const std::vector<winereg::Edit> edits = running.takePending();
    Problem why;
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (!serverUp(true)) {
            // The server stopped: the files hold what it held, and the changes go there.
            bool cameUp = false;
            if (const int32_t r = commitToFiles(edits, cameUp); r != ERROR_SUCCESS || !cameUp)
                return r;
            continue; // and to the server that started meanwhile, too
        }
        const long server = wineserverProcess(root);
        const winereg::Result result = winereg::import(root, winereg::importFile(edits));
        // A Wine program whose server goes away may end as if all went well: only the
        // server that was there all along, still serving, vouches for what the tool said.
        if (result.ok && server != 0 && wineserverProcess(root) == server && wineserverServing(root))
            return ERROR_SUCCESS;
        // The tool may have made the changes before it failed (a server stopping under it
        // ends it): that is found out before anything is said.
        why = result.ok ? Problem{Problem::ServerStopped, "wine reg import"} : result.problem;
        Problem check;
        const Verdict verdict = verify(edits, check);
        // Refused by the very server that still runs, they are not tried again.
        if (verdict == Verdict::Missing && wineserverProcess(root) == server)
            break;
        switch (verdict) {
        case Verdict::Holds:
            return ERROR_SUCCESS;
        case Verdict::Unknown: {
            Problem untold{Problem::ChangesUntold, root.string()};
            untold.beneath = {why, check};
            diagnose(untold);
            problem = {WriteProblem::Unknown, {}, std::move(why), std::move(check)};
            return ERROR_ACCESS_DENIED;
        }
        case Verdict::Missing:
            break;
        }
    }
    diagnose(Problem{Problem::ChangesRefused, root.string()}.resting(why));
    problem = {WriteProblem::NotTaken, {}, std::move(why), {}};
    return ERROR_ACCESS_DENIED;
}

Registry::Impl::Verdict Registry::Impl::verify(const std::vector<winereg::Edit>& edits, Problem& check) {
    // From the running registry while a server runs; from the files it saved once it has
    // stopped (also when it stops while it is asked).
    bool fromWine = serverUp(true);
    if (fromWine) {
        running.forget();
        for (const winereg::Edit& edit : edits) {
            Problem failure;
            if (running.cover(edit.machine, edit.key, failure))
                continue;
            if (serverUp(true)) {
                check = Problem{Problem::RunningUnreadable}.resting(std::move(failure));
                return Verdict::Unknown;
            }
            fromWine = false;
            break;
        }
    }
    for (size_t i = 0; i < edits.size(); ++i) {
        if (superseded(edits, i))
            continue;
        const winereg::Edit& edit = edits[i];
        Hive& h = hives[edit.machine ? kMachine : kUser];
        if (!fromWine) {
            refresh(h, true);
            if (h.broken) {
                check = {Problem::HiveUnreadable, h.file.string()};
                return Verdict::Unknown;
            }
        }
        if (!editHolds(fromWine ? running.doc(edit.machine) : h.doc, edit))
            return Verdict::Missing;
    }
    return Verdict::Holds;
}

int32_t Registry::Impl::commitToFiles(const std::vector<winereg::Edit>& edits, bool& cameUp) {
    for (const int index : {kUser, kMachine}) {
        const bool machine = index == kMachine;
        if (std::none_of(edits.begin(), edits.end(),
                         [&](const winereg::Edit& e) { return e.machine == machine; }))
            continue;
        Hive& h = hives[index];
        if (readOnly(h.file))
            return refuse(WriteProblem::FileNotWritable, h, {Problem::ReadOnly});
        hive::WriterLock lock(h.file);
        if (!lock.held())
            return refuse(WriteProblem::NotTaken, h, {Problem::Locked});
        refresh(h, true);
        if (h.broken)
            return refuse(WriteProblem::NotTaken, h, {Problem::HiveUnreadable, h.file.string()});
        ++h.generation;
        bool changed = false;
        const uint64_t now = hive::fileTimeNow();
        for (const winereg::Edit& edit : edits)
            if (edit.machine == machine)
                changed |= applyEdit(h.doc, edit, now);
        if (!changed)
            continue;
        hive::FileIdentity id;
        Problem failure;
        if (!hive::saveFile(h.file, h.doc, id, failure)) {
            h.loaded = false;
            diagnose(Problem{Problem::HiveNotSaved, h.file.string()}.resting(failure));
            return refuse(WriteProblem::FileNotWritable, h, std::move(failure));
        }
        h.identity = id;
        h.checked = Clock::now();
    }
    cameUp = serverUp(true);
    return ERROR_SUCCESS;
}

} // namespace platform
