// Leak reports the window tests must not fail on: fontconfig keeps its
// caches for the life of the process, allocated inside the system library.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
