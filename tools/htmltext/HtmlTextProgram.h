// The htmltext program: arguments in, one text file per HTML file out.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace tessaly::htmltext {

// Runs htmltext on `arguments` (the command line without the program name)
// and returns the exit status.
//  - No argument: the two usage lines on `console`, status 1. The single
//    argument "--help": the same lines, status 0.
//  - Otherwise each argument (wildcards expanded) is converted in order with
//    one conversion state: "wandle <name>" on `console`, then <name> is read
//    and the text written to its output name (OutputNameFor). An input that
//    cannot be opened or is a folder, and an output that cannot be created,
//    are skipped without a message; an output name that is the input file
//    itself is skipped with a line on `errors`, so the input is never
//    truncated. Status 0.
//  - Memory exhausted: "Error: <text>" on `console`, status 1; files written
//    so far stay as far as they were written.
int RunHtmlText(const std::vector<std::string>& arguments, std::FILE* console, std::FILE* errors);

}  // namespace tessaly::htmltext
