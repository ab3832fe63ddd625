#pragma once
// Start-up of the program.

namespace mdlMain {

// The program's start: shows the windows in their order and runs until the program ends.
// Returns the process exit code.
int Main();

} // namespace mdlMain
