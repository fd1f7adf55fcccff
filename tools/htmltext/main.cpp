// htmltext: turns each HTML file named on the command line into a text file
// next to it.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/htmltext/HtmlTextProgram.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  return tessaly::htmltext::RunHtmlText(arguments, stdout, stderr);
}
