#pragma once
// The program's module, its four members of the main window's utility control, which the
// program calls by late binding.

#include <QString>

class QLFunctions;

namespace mdlMain {

// Who serves the four late-bound members below: the main window's control when the
// program runs with its windows, the shared routines directly when the command line runs
// without them. main() says which at start-up; until then the windows' control serves.
enum class RoutineProvider { Windows, CommandLine };
void setRoutineProvider(RoutineProvider provider);

// The main window's `functions` control. Windows reach it through here; while no main
// window exists (a window tested on its own) a hidden spare control serves.
QLFunctions& functions();
void setFunctionsControl(QLFunctions* control);

// The four members the program calls by late binding, through the control's dispatch
// interface. Without windows (the command line) there is no control: the shared routines
// behind those members answer directly.
bool ChkPathExist(const QString& path);
bool ChkFileExist(const QString& filename);
void WriteRegStr(int hKey, const QString& subkey, const QString& keyName, const QString& keyValue);
QString ReadFromFile(const QString& filename);
// A readme's text through ReadFromFile: a file that is valid UTF-8 and not plain ASCII is
// taken as UTF-8 (its byte order mark dropped), anything else as Windows-1252.
QString ReadTextFile(const QString& filename);

} // namespace mdlMain
