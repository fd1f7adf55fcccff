// The name of the text file htmltext writes for an input file.
#pragma once

#include <string>
#include <string_view>

namespace tessaly::htmltext {

// The output name for the input name `input`: the input name cut at the first
// ".htm" of its last path component, else at the first ".sht" there, else at
// the first `.` there, and in every case followed by ".txt". The first two
// searches respect letter case. Only the last component is searched, so the
// output always lands in the input's own folder: "page.html" gives
// "page.txt", "news.shtml" "news.txt", "readme" "readme.txt", "PAGE.HTM"
// "PAGE.txt", "site.old/page.htm" "site.old/page.txt".
std::string OutputNameFor(std::string_view input);

}  // namespace tessaly::htmltext
