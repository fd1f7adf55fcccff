// The console front end of tessaly: one search without a window
// (--search), document details (--details), --help and --version.
#pragma once

#include <string>
#include <string_view>

namespace tessaly::console {

// A field of a --rows line: a tab, line feed, carriage return or backslash
// is written as \t, \n, \r or \\, so every row stays one line of three
// fields whatever the names hold.
std::string EscapeRowField(std::string_view text);

// True when the arguments ask for the console front end rather than the window.
bool IsConsoleInvocation(int argc, char** argv);

// Runs the console front end; returns the process exit status.
int ConsoleMain(int argc, char** argv);

}  // namespace tessaly::console
