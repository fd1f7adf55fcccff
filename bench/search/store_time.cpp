// Adds rows shaped like a real tree's (the same 19 names in every folder)
// to a result store, for growing row counts, and prints the time per row:
// a flat column is time linear in the rows.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/ResultStore.h"

namespace {

const char* const kNames[] = {"README.md", "index.html", "Makefile", "main.c",    "main.h",  "notes.txt", "a.pdf",
                              "b.pdf",     "report.doc", "data.xls", "talk.ppt",  "memo.rtf", "style.css", "app.js",
                              "logo.png",  "LICENSE",    "setup.py", "changes.txt", "todo.htm"};

double SecondsFor(long rows) {
  tessaly::engine::ResultStore store;
  const auto start = std::chrono::steady_clock::now();
  constexpr long kPerFolder = sizeof(kNames) / sizeof(kNames[0]);
  for (long i = 0; i < rows; ++i) {
    const std::string path = "/home/user/src/tree/folder" + std::to_string(i / kPerFolder);
    store.AddHit({kNames[i % kPerFolder], "1 Kb", path});
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const long largest = argc > 1 ? std::atol(argv[1]) : 1600000;
  std::printf("| rows | time | per row |\n|---|---|---|\n");
  for (long rows = largest / 16; rows <= largest; rows *= 2) {
    const double s = SecondsFor(rows);
    std::printf("| %ld | %.3f s | %.0f ns |\n", rows, s, s / rows * 1e9);
  }
  return 0;
}
