// The window program: single-instance check, the main window, the event loop.
#pragma once

namespace tessaly::ui {

// Runs the window program; returns the process exit status. A second start
// of the same user hands over to the running instance and returns 0.
int RunWindow(int argc, char** argv);

}  // namespace tessaly::ui
