#include "ProblemText.h"

#include "platform/Diagnostics.h"
#include "platform/Problem.h"
#include "platform/Process.h"
#include "platform/WineChoice.h"

namespace quorlin {
namespace {

using platform::Problem;

std::string number(const Problem& problem) {
    return std::to_string(problem.number);
}

std::string systemText(const Problem& problem) {
    return platform::systemErrorText(static_cast<int>(problem.number));
}

// What went wrong with a file named in the problem: "<what> <file>: <system's reason>",
// the file left out where the sentence names it.
std::string fileText(const Problem& problem, std::string_view namedFile, const char* what) {
    std::string out = what;
    if (problem.subject != namedFile)
        out += " " + problem.subject;
    return out + ": " + systemText(problem);
}

// A flaw of a registry text: where it is ("<file>:<line>: ", or "line <line>: " where the
// file is named already) and what.
std::string flawText(const Problem& problem, std::string_view namedFile, const char* what) {
    if (problem.number == 0)
        return what;
    if (!problem.subject.empty() && problem.subject != namedFile)
        return problem.subject + ":" + number(problem) + ": " + what;
    return "line " + number(problem) + ": " + what;
}

// The tool's own words, when it said any.
std::string saying(const Problem& problem) {
    return problem.said.empty() ? std::string() : " (" + problem.said + ")";
}

// Where a Wine was named that is not there: the record's file, else the place the user named it.
std::string namedBy(const Problem& problem) {
    using platform::wine::WineSource;
    if (!problem.said.empty())
        return "named in " + problem.said;
    switch (static_cast<WineSource>(problem.number)) {
    case WineSource::GivenForRun:
        return "named by --wine";
    case WineSource::ChosenForPrefix:
        return "chosen for the prefix";
    case WineSource::WineVariable:
        return "named by WINE";
    default:
        return "named for the prefix";
    }
}

std::string beneath(const Problem& problem, size_t i) {
    return i < problem.beneath.size() ? problemText(problem.beneath[i]) : std::string();
}

} // namespace

std::string problemText(const Problem& problem, std::string_view namedFile) {
    const std::string& subject = problem.subject;
    const bool named = !subject.empty() && subject == namedFile;
    switch (problem.cause) {
    case Problem::None:
        break;
    case Problem::CannotOpen:
        return fileText(problem, namedFile, "cannot open");
    case Problem::CannotRead:
        return fileText(problem, namedFile, "cannot read");
    case Problem::CannotCreateFileIn:
        return fileText(problem, namedFile, "cannot create a file in");
    case Problem::CannotWrite:
        return fileText(problem, namedFile, "cannot write");
    case Problem::CannotInspect:
        return fileText(problem, namedFile, "cannot inspect");
    case Problem::CannotReplace:
        return fileText(problem, namedFile, "cannot replace");
    case Problem::NotRegularFile:
        return named || subject.empty() ? "not a regular file" : "not a regular file: " + subject;
    case Problem::TooLarge:
        return named || subject.empty() ? "the file is too large" : "the file is too large: " + subject;
    case Problem::ChangedWhileSaved:
        return (named ? std::string("it") : subject) +
               " was changed by another program while it was being saved";
    case Problem::SaveInterrupted:
        return "the save was interrupted";
    case Problem::RecordTooLong:
        return subject + " is longer than any record an install writes; what lies past its first " +
               number(problem) + " bytes was ignored";

    case Problem::LineTooLong:
        return flawText(problem, namedFile, "line too long");
    case Problem::ChangedWhileRead:
        return flawText(problem, namedFile, "the file changed while it was read");
    case Problem::BinaryData:
        return flawText(problem, namedFile, "binary data");
    case Problem::UnrecognisedLine:
        return flawText(problem, namedFile, "unrecognised line");
    case Problem::ValueOutsideKey:
        return flawText(problem, namedFile, "value outside a key");
    case Problem::UnterminatedKeyName:
        return flawText(problem, namedFile, "unterminated key name");
    case Problem::UnterminatedValueName:
        return flawText(problem, namedFile, "unterminated value name");
    case Problem::NoEquals:
        return flawText(problem, namedFile, "no '=' after a value name");
    case Problem::HexPastEnd:
        return flawText(problem, namedFile, "hex data continued past the end of the file");
    case Problem::NotWineRegistry:
        return flawText(problem, namedFile, "not a Wine registry file");
    case Problem::TextAfterString:
        return flawText(problem, namedFile, "unexpected text after a string");
    case Problem::UnterminatedString:
        return flawText(problem, namedFile, "unterminated string");
    case Problem::BadHexData:
        return flawText(problem, namedFile, "bad hex data");
    case Problem::BadDword:
        return flawText(problem, namedFile, "bad dword");
    case Problem::BadStringType:
        return flawText(problem, namedFile, "bad string type");
    case Problem::BadHexType:
        return flawText(problem, namedFile, "bad hex type");
    case Problem::UnknownValueType:
        return flawText(problem, namedFile, "unknown value type");
    case Problem::NotUtf16:
        return "not UTF-16 text";
    case Problem::NoEditorLine:
        return "no \"Windows Registry Editor Version 5.00\" line";
    case Problem::NotKeyOf:
        return "line " + number(problem) + ": not a key of " + subject;
    case Problem::NotValueLine:
        return "line " + number(problem) + ": not a value line";

    case Problem::ReadOnly:
        return "it is read-only";
    case Problem::Locked:
        return "another program kept the registry files locked";
    case Problem::HiveUnreadable:
        return "the registry file " + subject + " cannot be read";
    case Problem::ReplacedEachTime:
        return "the registry file " + subject + " was replaced by another program each time";
    case Problem::LineBreakInKeyName:
        return "Wine's registry tool cannot be given a key name with a line break";

    case Problem::NoProgram:
        return "no program given in the command line \"" + subject + "\"";
    case Problem::ProgramNotFound:
        return "the program \"" + subject + "\" was not found";
    case Problem::CannotStart:
        return "the program \"" + subject + "\" cannot be started: " + systemText(problem);

    case Problem::TimedOut:
        return subject + " did not finish within " + number(problem) +
               (problem.number == 1 ? " second" : " seconds") + " and was stopped" + saying(problem);
    case Problem::ExitCode:
        return subject + " ended with exit code " + number(problem) + saying(problem);
    case Problem::EndedOnSignal:
        return subject + " was ended by signal " + number(problem) + saying(problem);

    case Problem::WineMissing:
        return subject.empty() ? "wine is not installed (not found on PATH)"
                               : "the Windows program \"" + subject +
                                     "\" cannot run because wine is not installed (not found on PATH)";
    case Problem::NoOutputFile:
        return "no temporary file for the program's output: " + systemText(problem);
    case Problem::WineNotStarted:
        return "wine could not be started: " + systemText(problem);
    case Problem::ServerStopped:
        return "the wineserver stopped while " + subject + " ran";
    case Problem::NoChangesFile:
        return "no temporary file for the changes: " + systemText(problem);
    case Problem::ChangesNotWritten:
        return "the changes could not be written to a temporary file";
    case Problem::NoExportFolder:
        return "no temporary folder for the exported keys: " + systemText(problem);
    case Problem::NoExportFile:
        return subject + " wrote no file";
    case Problem::NotRegistryExport:
        return subject + " wrote what is not a registry file" +
               (problem.beneath.empty() ? std::string() : ": " + beneath(problem, 0));
    case Problem::RunningUnreadable:
        return "what the running Wine holds could not be read: " + beneath(problem, 0);

    case Problem::NotAPrefix:
        return subject + " is no prefix made by Wine";
    case Problem::NotInstalled:
        return subject + " is not installed with kolvmgr";
    case Problem::WineCannotRun:
        return "wine could not run " + subject + saying(problem);
    case Problem::ProgramSaid:
        return problem.said;
    case Problem::ProgramUnfinished:
        return subject + " ended before it said how it went";
    case Problem::LookUnusable:
        return "a size or font of the look is beyond what a screen can show, or a face name is longer than "
               "31 characters";

    case Problem::HiveNotUsed:
        return beneath(problem, 0) + "; its settings are not used and the file is left as it is";
    case Problem::FileReadInstead:
        return "what the running Wine in " + subject + " holds could not be read (" + beneath(problem, 0) +
               "); the registry file is read instead";
    case Problem::HiveNotSaved:
        return "the registry file " + subject + " was not saved: " + beneath(problem, 0);
    case Problem::ChangesUntold:
        return "whether the registry of the running Wine in " + subject +
               " took the changes cannot be told: " + beneath(problem, 0) + "; " + beneath(problem, 1);
    case Problem::ChangesRefused:
        return "the registry of the running Wine in " + subject + " was not changed: " + beneath(problem, 0);

    case Problem::WineNotThere:
        return "the Wine " + subject + " " + namedBy(problem) + " is not there";
    case Problem::NotAWine:
        return "the Wine " + subject + " " + namedBy(problem) + " is no wine program";
    case Problem::ToolNotInstalled:
        return "Steam's compatibility tool " + subject + " (named in " + problem.said + ") is not installed";
    case Problem::NoWineFound:
        return "no Wine is recorded for the prefix, WINE is not set and no wine is on PATH";
    case Problem::WouldUpdatePrefix:
        return "starting " + subject + " would update the prefix (" +
               (problem.said.empty() ? std::string("it has no .update-timestamp")
                                     : "its .update-timestamp holds " + problem.said + ", the wine.inf of " +
                                           subject + " has the time " + number(problem)) +
               ")";
    case Problem::UpdateUnknown:
        return "whether " + subject + " would update the prefix cannot be told: " + beneath(problem, 0);
    case Problem::WineInfNotFound:
        return "no wine.inf was found for " + subject;
    case Problem::ServerUnseen:
        return "a wineserver runs for the prefix in a process that cannot be seen from here";
    case Problem::ServerProgramUnknown:
        return "the program of the running wineserver (process " + subject +
               ") cannot be read: " + systemText(problem);
    case Problem::ServerProgramReplaced:
        return "the program of the running wineserver, " + subject + ", was replaced since it started";
    case Problem::NoWineBesideServer:
        return "no wine lies beside the running wineserver " + subject;
    }
    return {};
}

std::string problemSentence(const Problem& problem) {
    std::string text = problemText(problem);
    if (!text.empty() && text.front() >= 'a' && text.front() <= 'z')
        text.front() = static_cast<char>(text.front() - 'a' + 'A');
    return text + ".";
}

void installProblemWords() {
    platform::setProblemWords(&problemText);
}

} // namespace quorlin
