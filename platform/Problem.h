#pragma once
// What went wrong beneath the program, told without words: a cause, what it concerns, and
// the numbers and other programs' own words that go with it. The program words it (and
// gives the words for the diagnostic lines, setProblemWords in Diagnostics.h).

#include <string>
#include <vector>

namespace platform {

struct Problem {
    enum Cause {
        None,

        // A file or folder, subject its path; number the errno value.
        CannotOpen,
        CannotRead,
        CannotCreateFileIn,
        CannotWrite,
        CannotInspect,
        CannotReplace,
        // A file, subject its path.
        NotRegularFile,
        TooLarge,
        ChangedWhileSaved,
        SaveInterrupted, // by a test's hook, as a crash would
        // An install's record of the files it replaced, subject its path; number: the
        // bytes read of it.
        RecordTooLong,

        // A registry text, number the line (0: the text as a whole).
        LineTooLong,
        ChangedWhileRead,
        BinaryData,
        UnrecognisedLine,
        ValueOutsideKey,
        UnterminatedKeyName,
        UnterminatedValueName,
        NoEquals,
        HexPastEnd,
        NotWineRegistry,
        TextAfterString,
        UnterminatedString,
        BadHexData,
        BadDword,
        BadStringType,
        BadHexType,
        UnknownValueType,
        // What Wine's registry tool exported, number the line.
        NotUtf16,
        NoEditorLine,
        NotKeyOf, // subject: the key it was to be below
        NotValueLine,

        // The hive files as the registry keeps them.
        ReadOnly,           // the hive file is read-only
        Locked,             // another program kept the registry files locked
        HiveUnreadable,     // subject: the hive file
        ReplacedEachTime,   // subject: the hive file
        LineBreakInKeyName, // Wine's registry tool cannot be given one

        // Starting a program; subject: the program as the command line names it.
        NoProgram,       // the command line names none; subject: the command line
        ProgramNotFound, // no file of the program
        CannotStart,     // number: errno (GetLastError() on Win32)

        // A program that was started and waited for; subject: what ran ("wine reg
        // import", "wine", ...); said: its own words, if any.
        TimedOut,      // number: the time limit in whole seconds, rounded up
        ExitCode,      // number: the exit code
        EndedOnSignal, // number: the signal

        // Wine and its registry tool.
        WineMissing,       // wine is not installed; subject: the Windows program, if any
        NoOutputFile,      // number: errno
        WineNotStarted,    // number: errno
        ServerStopped,     // the wineserver stopped while the tool ran; subject: the tool
        NoChangesFile,     // number: errno
        ChangesNotWritten, // the changes could not be written to their file
        NoExportFolder,    // number: errno
        NoExportFile,      // subject: the tool, which wrote no file
        NotRegistryExport, // the tool wrote what is not a registry file; beneath: why not
        RunningUnreadable, // what the running Wine holds could not be read; beneath: why

        // Wine's theme service, reached through kolvmgr's Windows program.
        NotAPrefix,        // subject: the folder, which no Wine made
        NotInstalled,      // subject: the Windows program, not installed with kolvmgr
        WineCannotRun,     // subject: the Windows program; said: wine's last line, if any
        ProgramSaid,       // said: the program's own last line
        ProgramUnfinished, // subject: the Windows program, which ended before it said how it went
        LookUnusable,      // a size or font of a look beyond a screen's, or a face name too long

        // What the registry says on stderr; subject: the hive file, or the prefix.
        HiveNotUsed,     // the hive's settings are not used; beneath: why
        FileReadInstead, // the running Wine could not be asked; beneath: why
        HiveNotSaved,    // beneath: why
        ChangesUntold,   // whether the running Wine took them: beneath, why it failed and
                         // why that cannot be found out
        ChangesRefused,  // the running Wine did not take them; beneath: why

        // Which Wine belongs to a prefix.
        WineNotThere,          // subject: the wine a record names; said: the record's file, if a file
                               // names it; number: where it was named (wine::WineSource)
        NotAWine,              // as WineNotThere, for what is there but no wine program
        ToolNotInstalled,      // subject: Steam's compatibility tool; said: the file that maps it
        NoWineFound,           // none recorded, WINE unset, no wine on PATH
        WouldUpdatePrefix,     // subject: the wine; said: the prefix's .update-timestamp (empty:
                               // none); number: the time of the Wine's wine.inf
        UpdateUnknown,         // subject: the wine; beneath: why it cannot be told
        WineInfNotFound,       // subject: the wine as found (its real path)
        ServerUnseen,          // a wineserver runs for the prefix in a process not seen from here
        ServerProgramUnknown,  // subject: the server's process id; number: errno
        ServerProgramReplaced, // subject: the server's program, replaced since it started
        NoWineBesideServer,    // subject: the server's program
    } cause = None;
    std::string subject{};
    std::string said{};
    long number = 0;
    // What this one rests on (at most one), worded after it.
    std::vector<Problem> beneath{};

    explicit operator bool() const { return cause != None; }
    // Whether it says why no Wine may be started in a prefix (a choice the user can make
    // otherwise: --wine, or a Wine chosen for the prefix).
    bool concernsWineChoice() const { return cause >= WineNotThere && cause <= NoWineBesideServer; }
    Problem& resting(Problem under) {
        beneath = {std::move(under)};
        return *this;
    }
};

} // namespace platform
