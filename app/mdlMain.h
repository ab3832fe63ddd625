#pragma once
// The program's module: its start-up. The module's routines that the windows and the
// command line share live in commands/ (mdlMainBrowser, mdlMainControl, mdlMainStartup,
// mdlMainThemes), so that the windows it starts sit above them.

#include <QStringList>

namespace mdlMain {

// The program's start: the splash window, then the main window, which offers to install
// the archives given; runs until the program ends and returns the process exit code.
int Main(const QStringList& archives = {});

} // namespace mdlMain
