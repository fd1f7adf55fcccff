// The ravelt executable: hands the command line to RaveltMain.
#include <cstdio>

#include "tools/ravelt/Ravelt.h"

int main(int argc, char** argv) {
  return tessaly::ravelt::RaveltMain(argc, argv, stdout, stderr);
}
