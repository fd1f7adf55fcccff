// Opening a file with the desktop's default application (xdg-open).
//
// The result follows the shell "open" convention the window's messages are
// keyed on: a code above 32 is success, 2 means the target is missing, 5 that
// it cannot be read, 31 that no application opens it, and 0 any other
// failure.
#pragma once

#include <string>

namespace tessaly::platform {

constexpr int kShellOpenOk = 42;
constexpr int kShellFileNotFound = 2;
constexpr int kShellAccessDenied = 5;
constexpr int kShellNoAssociation = 31;
// A folder whose only opener is Tessaly itself: no file manager to show it.
constexpr int kShellNoFileManager = 27;
constexpr int kShellGeneralFailure = 0;

// Opens `target` (a file or folder path, passed as one argument, never as
// shell text) with xdg-open. Before starting it: a missing target gives 2,
// an unreadable one 5. When xdg-open cannot be started, or exits with 3 (no
// tool for the type), the result is 31; exit 2 gives 2; any other non-zero
// exit 0. xdg-open that is still running after a short while (it waits for
// the application on some desktops) counts as success; it is reaped in the
// background so no zombie stays.
int ShellOpen(const std::string& target);

// The same, with the program to start named (tests start a stand-in).
int ShellOpenWith(const std::string& program, const std::string& target);

}  // namespace tessaly::platform
