// Fuzz target of the PDF text helper and its client: each input is put in
// an in-memory file (memfd, named to the helper by its /proc path, so
// nothing is written to disk) and converted through TPdfTextHelper with the
// real tessaly-pdftext, found next to this program. Whatever the input does
// to the helper (Poppler crashing, running out of memory, hanging, garbled
// frames) the client must come back with one status for it and a helper
// that starts again for the next input; a helper that can no longer be
// started is a failure. The count of each status is printed at the end.
//
// The helper runs as a process of its own, so its coverage is not seen by
// the fuzzer: the mutations are driven by the corpus of PDF files and by
// the client's own paths.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

#include "extract/PdfTextHelper.h"

namespace {

using tessaly::extract::PdfTextStatus;

constexpr std::size_t kMaxInput = 1024 * 1024;
constexpr int kStatusCount = static_cast<int>(PdfTextStatus::NotStarted) + 1;
constexpr const char* kStatusNames[kStatusCount] = {"complete", "sink stopped", "cancelled", "password required",
                                                    "damaged",  "failed",       "crashed",   "timed out",
                                                    "too large", "not started"};

// The conversion time-out of the search.
class Deadline : public tessaly::extract::ConversionTimeout {
 public:
  void Arm() override { end_ = std::chrono::steady_clock::now() + std::chrono::seconds(9); }
  bool TimedOut() override { return std::chrono::steady_clock::now() >= end_; }
  void Stop() override {}

 private:
  std::chrono::steady_clock::time_point end_{};
};

// Takes the text and stops a document at its third page, as a search whose
// word is there would.
class Sink : public tessaly::extract::TTextSink {
 public:
  bool BeginPart(tessaly::extract::PartKind, int number, std::string_view) override {
    ++pages;
    return number < 3;
  }
  bool Append(std::string_view text) override {
    bytes += text.size();
    return true;
  }
  std::size_t pages = 0, bytes = 0;
};

struct Counts {
  std::array<long, kStatusCount> byStatus{};
  long inputs = 0;
  long pages = 0;
  ~Counts() {
    long accounted = 0;
    for (const long n : byStatus) accounted += n;
    std::fprintf(stderr, "pdftext_helper_fuzz: %ld inputs, %ld accounted for, %ld pages;", inputs, accounted, pages);
    for (int i = 0; i < kStatusCount; ++i)
      if (byStatus[i]) std::fprintf(stderr, " %s %ld;", kStatusNames[i], byStatus[i]);
    std::fprintf(stderr, "\n");
  }
};

Counts counts;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return 0;
  static tessaly::extract::TPdfTextHelper helper;
  const int fd = ::memfd_create("pdftext-fuzz-input", 0);
  if (fd < 0) std::abort();
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, data + done, size - done);
    if (n <= 0) std::abort();
    done += static_cast<std::size_t>(n);
  }
  const std::string path = "/proc/" + std::to_string(::getpid()) + "/fd/" + std::to_string(fd);
  Sink sink;
  Deadline deadline;
  const auto result = helper.Convert(path, sink, deadline, nullptr, size % 4 == 0);
  ::close(fd);
  ++counts.inputs;
  ++counts.byStatus[static_cast<int>(result.status)];
  counts.pages += result.pages;
  // The helper must be there for every input: a missing one would leave
  // every later PDF of a search to the fallback.
  if (result.status == PdfTextStatus::NotStarted) {
    std::fprintf(stderr, "pdftext_helper_fuzz: the helper could not be started\n");
    std::abort();
  }
  if (static_cast<std::size_t>(result.pages) != sink.pages) std::abort();
  return 0;
}
