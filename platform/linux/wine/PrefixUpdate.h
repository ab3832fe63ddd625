#pragma once
// Whether starting a Wine would update a prefix, told the way Wine decides it. When a Wine
// program starts the first process of a server session, wineboot --init compares the
// prefix's .update-timestamp with the modification time of the build's wine.inf and, when
// they differ, rewrites the stamp and reinstalls the build's files into the prefix (the
// prefix update that turns another build's prefix into its own). A stamp that begins with
// "disable" is never updated; a missing stamp is made (an update); a stamp Wine cannot open
// for writing is left alone, and so is the prefix. Linux only.

#include "platform/Problem.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace platform::wine {

struct UpdateCheck {
    enum Verdict { WouldNotUpdate, WouldUpdate, CannotTell } verdict = CannotTell;
    // What the prefix's .update-timestamp holds (its first 99 bytes, as Wine reads it);
    // stampMissing when there is none.
    std::string prefixStamp;
    bool stampMissing = false;
    // The stamp begins with "disable": the prefix is never updated.
    bool disabled = false;
    // The build's wine.inf and its modification time as Wine compares it (32 bits).
    std::filesystem::path wineInf;
    std::uint32_t wineStamp = 0;
    // CannotTell: why.
    Problem why;
};

// The comparison alone, with the wine.inf given.
UpdateCheck compareStamps(const std::filesystem::path& prefix, const std::filesystem::path& wineInf);

// The check for a wine program: its build's wine.inf (wineInfOf) against the prefix's
// stamp; CannotTell (WineInfNotFound) when the build's wine.inf cannot be found.
UpdateCheck updateCheck(const std::filesystem::path& prefix, const std::filesystem::path& wine);

} // namespace platform::wine
