// A stand-in for tessaly-pdftext in tests: it speaks the helper's frames
// but reads plain text files, whose pages are cut at form feeds. A file
// whose first line is a mark does what a bad PDF might make Poppler do:
//   #crash     aborts the process
//   #sleep     sends page 1 (the text after the mark) and never ends
//   #garbage   sends a frame longer than any the client accepts
//   #password, #damaged   ends with that status and no pages
// With STAND_IN_PIDS set, a "#sleep" file first notes the process id in a
// file of that folder, so a test can tell which helpers were converting.
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <string>
#include <unistd.h>

#include "extract/PdfTextFrames.h"

namespace {

namespace frames = tessaly::extract::pdftext;
using frames::FrameType;

void Send(FrameType type, std::string_view payload) {
  const std::string frame = frames::EncodeFrame(type, payload);
  std::size_t done = 0;
  while (done < frame.size()) {
    const ssize_t n = ::write(STDOUT_FILENO, frame.data() + done, frame.size() - done);
    if (n <= 0) std::_Exit(0);
    done += static_cast<std::size_t>(n);
  }
}

frames::FrameDecoder decoder(frames::kMaxRequestFrame);

bool ReadSome(int waitMs) {
  pollfd p{STDIN_FILENO, POLLIN, 0};
  if (::poll(&p, 1, waitMs) <= 0) return true;
  char block[4096];
  const ssize_t n = ::read(STDIN_FILENO, block, sizeof block);
  if (n <= 0) return false;
  decoder.Feed(block, static_cast<std::size_t>(n));
  return true;
}

// A Stop frame has come in (looked for without waiting).
bool StopArrived() {
  if (!ReadSome(0)) std::_Exit(0);
  frames::Frame frame;
  bool stop = false;
  while (decoder.Next(frame) == frames::FrameDecoder::Result::Frame) stop = stop || frame.type == FrameType::Stop;
  return stop;
}

void Convert(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto end = [](frames::EndStatus status, std::uint32_t pages) { Send(FrameType::End, frames::EndPayload(status, pages)); };
  if (!in && text.empty()) return end(frames::EndStatus::Damaged, 0);
  if (text.rfind("#crash", 0) == 0) std::abort();
  if (text.rfind("#password", 0) == 0) return end(frames::EndStatus::PasswordRequired, 0);
  if (text.rfind("#damaged", 0) == 0) return end(frames::EndStatus::Damaged, 0);
  if (text.rfind("#garbage", 0) == 0) {
    std::string head;
    frames::PutU32(head, 0x7FFFFFFF);
    Send(FrameType::Page, frames::U32Payload(1));
    (void)::write(STDOUT_FILENO, head.data(), head.size());
    for (;;) ::pause();
  }
  if (text.rfind("#sleep", 0) == 0) {
    if (const char* folder = std::getenv("STAND_IN_PIDS"))
      std::ofstream(std::string(folder) + "/" + std::to_string(::getpid())) << ::getpid();
    Send(FrameType::Page, frames::U32Payload(1));
    Send(FrameType::Text, text.substr(text.find('\n') + 1));
    for (;;) ::pause();
  }
  std::uint32_t pages = 0;
  std::size_t at = 0;
  while (at <= text.size()) {
    std::size_t cut = text.find('\f', at);
    if (cut == std::string::npos) cut = text.size();
    Send(FrameType::Page, frames::U32Payload(++pages));
    Send(FrameType::Text, std::string_view(text).substr(at, cut - at));
    at = cut + 1;
    if (at <= text.size() && StopArrived()) return end(frames::EndStatus::Stopped, pages);
  }
  end(frames::EndStatus::Complete, pages);
}

}  // namespace

int main() {
  Send(FrameType::Hello, frames::U32Payload(frames::kProtocolVersion));
  for (;;) {
    frames::Frame frame;
    const auto next = decoder.Next(frame);
    if (next == frames::FrameDecoder::Result::Bad) return 2;
    if (next == frames::FrameDecoder::Result::NeedMore) {
      pollfd p{STDIN_FILENO, POLLIN, 0};
      ::poll(&p, 1, -1);
      if (!ReadSome(0)) return 0;
      continue;
    }
    if (frame.type == FrameType::Open) Convert(std::string(frame.payload));
  }
}
