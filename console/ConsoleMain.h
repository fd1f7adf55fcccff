// The console front end of tessaly: one search without a window
// (--search), document details (--details), --help and --version.
#pragma once

namespace tessaly::console {

// True when the arguments ask for the console front end rather than the window.
bool IsConsoleInvocation(int argc, char** argv);

// Runs the console front end; returns the process exit status.
int ConsoleMain(int argc, char** argv);

}  // namespace tessaly::console
