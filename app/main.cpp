// tessaly: the window, or with --search / --details / --help / --version the
// console front end.
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "console/ConsoleMain.h"
#ifdef TESSALY_WITH_UI
#include "ui/RunWindow.h"
#endif

int main(int argc, char** argv) {
  // The time-zone rules are read once here, before any worker thread turns
  // a time into local time (libzip's and libarchive's member times,
  // document dates). Without TZ the C library reads /etc/localtime again
  // on every conversion; naming that same file in TZ lets it keep the
  // rules it read, which means the same time zone.
  if (std::getenv("TZ") == nullptr) ::setenv("TZ", ":/etc/localtime", 0);
  tzset();
#ifdef TESSALY_WITH_UI
  if (!tessaly::console::IsConsoleInvocation(argc, argv)) return tessaly::ui::RunWindow(argc, argv);
#endif
  return tessaly::console::ConsoleMain(argc, argv);
}
