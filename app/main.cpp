// tessaly: the window, or with --search / --details / --help / --version the
// console front end.
#include <cstring>

#include "console/ConsoleMain.h"
#ifdef TESSALY_WITH_UI
#include "ui/RunWindow.h"
#endif

int main(int argc, char** argv) {
#ifdef TESSALY_WITH_UI
  if (!tessaly::console::IsConsoleInvocation(argc, argv)) return tessaly::ui::RunWindow(argc, argv);
#endif
  return tessaly::console::ConsoleMain(argc, argv);
}
