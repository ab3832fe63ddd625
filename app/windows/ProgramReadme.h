#pragma once
// The program's own readme.txt, shown by the readme buttons of the first-run and about
// windows: in the info window when the file is there, otherwise a message that says
// where to get it.

#include <QString>

class QWidget;

namespace ProgramReadme {

// Where the readme is, in Windows form: readmeBeside(the program's folder), or
// the tests' folder followed by "\readme.txt".
QString path();

// The readme of a program in programFolder (a host path): share/kolvmgr/readme.txt beside
// the program's bin/ folder, where an installation puts it, when it is there; otherwise
// readme.txt in the program's folder, where a build leaves it.
QString readmeBeside(const QString& programFolder);

// The readme command: ChkFileExist, then ReadFromFile (ReadTextFile) into frmInfo captioned
// "Quorlin Visual Style Manager Readme" and shown modally; or the
// "Unable to locate readme.txt" message.
void show(QWidget* parent);

// "Kolvane is unable to locate the readme file. ..." with the download site.
QString missingMessage();

// Tests point the program's folder at a folder of their own (an empty text goes back
// to the real one), so they never touch a readme lying next to the program.
void setProgramFolderForTests(const QString& folder);

} // namespace ProgramReadme
