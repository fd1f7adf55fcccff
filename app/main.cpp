// tessaly: the window, or with --search / --details the console front end.
#include "console/ConsoleMain.h"

int main(int argc, char** argv) { return tessaly::console::ConsoleMain(argc, argv); }
