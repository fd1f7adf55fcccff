// tessaly-pdftext: the PDF text helper of tessaly's content search.
//
// Started by tessaly (one per worker thread), never by hand: it reads
// requests from standard input and answers on standard output in the
// frames of extract/PdfTextFrames.h, one PDF after another, until its input
// ends. Each page's text is sent as soon as it is read, so the search can
// scan it and stop the document at its first hit.
//
// It runs under limits of its own, so a hostile PDF that exhausts the
// library ends this process and not the search: at most 2 GiB of address
// space (not in sanitizer builds, whose shadow memory needs far more), a
// few open files, no core dump and no file written. It dies with the
// thread that started it.
//
// Exit status: 0 when its input ended, 1 wrong usage, 2 a request it cannot
// read, 3 memory ran out (after it answered the document).
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <new>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/uio.h>
#include <unistd.h>

#include "extract/PdfTextFrames.h"
#include "tools/pdftext/PdfPages.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TESSALY_PDFTEXT_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define TESSALY_PDFTEXT_SANITIZED 1
#endif
#endif

namespace {

namespace frames = tessaly::extract::pdftext;
using frames::EndStatus;
using frames::FrameType;

constexpr const char* kUsage =
    "usage: tessaly-pdftext\n"
    "The PDF text helper of tessaly: started by tessaly's content search, it reads\n"
    "requests on standard input and sends each page's text on standard output.\n";

// Address space: Poppler on an ordinary PDF needs well under 200 MiB.
constexpr rlim_t kAddressSpace = rlim_t{2} << 30;
// The PDF, the library's data files, the two standard streams.
constexpr rlim_t kOpenFiles = 32;

void Limit(int resource, rlim_t value) {
  rlimit limit{value, value};
  rlimit current{};
  if (::getrlimit(resource, &current) == 0 && current.rlim_max != RLIM_INFINITY && current.rlim_max < value)
    limit = current;
  ::setrlimit(resource, &limit);
}

void ApplyLimits() {
#ifndef TESSALY_PDFTEXT_SANITIZED
  Limit(RLIMIT_AS, kAddressSpace);
#endif
  Limit(RLIMIT_NOFILE, kOpenFiles);
  Limit(RLIMIT_CORE, 0);
  Limit(RLIMIT_FSIZE, 0);
}

// Writes one frame whole; the process ends when its reader is gone.
void Send(FrameType type, std::string_view payload) {
  std::string head;
  frames::PutU32(head, static_cast<std::uint32_t>(payload.size() + 1));
  head.push_back(static_cast<char>(type));
  iovec parts[2] = {{head.data(), head.size()}, {const_cast<char*>(payload.data()), payload.size()}};
  int count = payload.empty() ? 1 : 2;
  iovec* at = parts;
  while (count > 0) {
    const ssize_t n = ::writev(STDOUT_FILENO, at, count);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) ::_exit(0);
    std::size_t done = static_cast<std::size_t>(n);
    while (count > 0 && done >= at->iov_len) {
      done -= at->iov_len;
      ++at;
      --count;
    }
    if (count > 0) {
      at->iov_base = static_cast<char*>(at->iov_base) + done;
      at->iov_len -= done;
    }
  }
}

void SendText(std::string_view text) {
  for (std::size_t at = 0; at < text.size(); at += frames::kMaxTextChunk)
    Send(FrameType::Text, text.substr(at, frames::kMaxTextChunk));
}

// The requests read from standard input.
class Requests {
 public:
  Requests() : decoder_(frames::kMaxRequestFrame) {}

  // Blocks until a whole frame is there. False at the end of the input.
  bool Wait(frames::Frame& frame) {
    for (;;) {
      switch (decoder_.Next(frame)) {
        case frames::FrameDecoder::Result::Frame: return true;
        case frames::FrameDecoder::Result::Bad: ::_exit(2);
        case frames::FrameDecoder::Result::NeedMore: break;
      }
      if (!ReadSome()) return false;
    }
  }

  // True when a Stop has come in, looking without blocking. The end of the
  // input ends the process: nobody is left to read the text.
  bool StopArrived() {
    pollfd p{STDIN_FILENO, POLLIN, 0};
    while (::poll(&p, 1, 0) > 0 && (p.revents & (POLLIN | POLLHUP | POLLERR))) {
      if (!ReadSome()) ::_exit(0);
      p.revents = 0;
    }
    frames::Frame frame;
    for (;;) {
      switch (decoder_.Next(frame)) {
        case frames::FrameDecoder::Result::Frame:
          if (frame.type != FrameType::Stop) ::_exit(2);  // one document at a time
          stop_ = true;
          continue;
        case frames::FrameDecoder::Result::Bad: ::_exit(2);
        case frames::FrameDecoder::Result::NeedMore: break;
      }
      break;
    }
    return stop_;
  }

  void BeginDocument() { stop_ = false; }

 private:
  bool ReadSome() {
    char block[4096];
    for (;;) {
      const ssize_t n = ::read(STDIN_FILENO, block, sizeof block);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      decoder_.Feed(block, static_cast<std::size_t>(n));
      return true;
    }
  }

  frames::FrameDecoder decoder_;
  bool stop_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc != 1 || ::isatty(STDIN_FILENO) == 1) {
    std::fputs(kUsage, stderr);
    return 1;
  }
  // Ends with the thread of tessaly that started it, should that die first.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (::getppid() == 1) return 0;
  ApplyLimits();
  tessaly::pdftext::InitPdfLibrary();
  Send(FrameType::Hello, frames::U32Payload(frames::kProtocolVersion));

  Requests requests;
  frames::Frame frame;
  while (requests.Wait(frame)) {
    if (frame.type == FrameType::Stop) continue;  // stale: its document is done
    if (frame.type != FrameType::Open) return 2;
    const std::string path(frame.payload);
    requests.BeginDocument();
    tessaly::pdftext::PagesOutcome outcome;
    bool outOfMemory = false;
    try {
      outcome = tessaly::pdftext::ConvertPages(
          path,
          // A page is announced before it is read: the client then knows
          // the page before it is whole, and stops the document while this
          // page is being read rather than after.
          [&](int number) {
            Send(FrameType::Page, frames::U32Payload(static_cast<std::uint32_t>(number)));
            return !requests.StopArrived();
          },
          [&](int, std::string_view text) {
            SendText(text);
            return !requests.StopArrived();
          },
          [&] { return requests.StopArrived(); });
    } catch (const std::bad_alloc&) {
      outcome.status = EndStatus::TooLarge;
      outOfMemory = true;
    }
    Send(FrameType::End, frames::EndPayload(outcome.status, static_cast<std::uint32_t>(outcome.pages)));
    // The library's state after a failed allocation is not to be trusted:
    // the next document gets a fresh helper.
    if (outOfMemory) return 3;
  }
  return 0;
}
