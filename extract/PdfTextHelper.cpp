// The helper's client: start, the request and reply loop with its time-outs
// and stop checks, and the end of the helper on every way out.
#include "extract/PdfTextHelper.h"

#include <cerrno>
#include <chrono>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tessaly::extract {
namespace {

using pdftext::EndStatus;
using pdftext::FrameDecoder;
using pdftext::FrameType;

// How often a wait looks at the stop flag and the time-out.
constexpr std::chrono::milliseconds kPollStep{20};
// How long a new helper may take to say it is ready (loading the library).
constexpr std::chrono::seconds kStartTimeout{10};
// Bytes read from the socket at a time.
constexpr std::size_t kReadBlock = 256 * 1024;

enum class Readable { Data, Closed, Idle };

// Waits up to `wait` for bytes from the helper and feeds what came.
Readable ReadSome(int socket, FrameDecoder& decoder, std::chrono::milliseconds wait) {
  pollfd p{socket, POLLIN, 0};
  const int ready = ::poll(&p, 1, static_cast<int>(wait.count()));
  if (ready == 0 || (ready < 0 && errno == EINTR)) return Readable::Idle;
  if (ready < 0) return Readable::Closed;
  static thread_local std::string block(kReadBlock, '\0');
  for (;;) {
    const ssize_t n = ::read(socket, block.data(), block.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return Readable::Idle;
    if (n <= 0) return Readable::Closed;
    decoder.Feed(block.data(), static_cast<std::size_t>(n));
    return Readable::Data;
  }
}

bool Stopped(const std::atomic<bool>* stop) { return stop && stop->load(std::memory_order_relaxed); }

PdfTextStatus StatusOfEnd(EndStatus status) {
  switch (status) {
    case EndStatus::Complete: return PdfTextStatus::Complete;
    case EndStatus::Stopped: return PdfTextStatus::SinkStopped;
    case EndStatus::PasswordRequired: return PdfTextStatus::PasswordRequired;
    case EndStatus::Damaged: return PdfTextStatus::Damaged;
    case EndStatus::Failed: return PdfTextStatus::Failed;
    case EndStatus::TooLarge: return PdfTextStatus::TooLarge;
  }
  return PdfTextStatus::Failed;
}

}  // namespace

TPdfTextHelper::TPdfTextHelper(std::string program) : program_(std::move(program)) {}

TPdfTextHelper::~TPdfTextHelper() { End(); }

void TPdfTextHelper::End() {
  platform::EndPiped(child_);
  decoder_ = FrameDecoder(pdftext::kMaxReplyFrame);
}

bool TPdfTextHelper::SendFrame(FrameType type, std::string_view payload) {
  const std::string frame = pdftext::EncodeFrame(type, payload);
  std::size_t done = 0;
  while (done < frame.size()) {
    const ssize_t n = ::send(child_.socket, frame.data() + done, frame.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool TPdfTextHelper::Start(const std::atomic<bool>* stop) {
  End();
  const std::string path = platform::FindProgram(program_);
  if (path.empty()) return false;
  const auto child = platform::StartPiped({path});
  if (!child) return false;
  child_ = *child;
  ++starts_;
  // The first frame must be the helper's hello with our protocol version:
  // a program of that name that is not the helper (or a helper whose
  // library cannot be loaded) is not used.
  const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
  for (;;) {
    pdftext::Frame frame;
    switch (decoder_.Next(frame)) {
      case FrameDecoder::Result::Frame:
        if (frame.type == FrameType::Hello && frame.payload.size() == 4 &&
            pdftext::GetU32(frame.payload.data()) == pdftext::kProtocolVersion)
          return true;
        End();
        return false;
      case FrameDecoder::Result::Bad: End(); return false;
      case FrameDecoder::Result::NeedMore: break;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (Stopped(stop) || left.count() <= 0 ||
        ReadSome(child_.socket, decoder_, std::min(left, kPollStep)) == Readable::Closed) {
      End();
      return false;
    }
  }
}

PdfTextResult TPdfTextHelper::Convert(const std::string& path, TTextSink& sink, ConversionTimeout& timeout,
                                      const std::atomic<bool>* stop, bool wholeText) {
  PdfTextResult result;
  auto finish = [&](PdfTextStatus status) {
    timeout.Stop();
    result.status = status;
    return result;
  };
  if (Stopped(stop)) return finish(PdfTextStatus::Cancelled);
  // A helper that died while it waited (or was never started) is started
  // again once; one that cannot be started leaves the document to another
  // route.
  if (unavailable_) return finish(PdfTextStatus::NotStarted);
  bool sent = false;
  for (int attempt = 0; attempt < 2 && !sent; ++attempt) {
    if (child_.pid < 0 && !Start(stop)) {
      if (Stopped(stop)) return finish(PdfTextStatus::Cancelled);
      unavailable_ = true;
      return finish(PdfTextStatus::NotStarted);
    }
    sent = SendFrame(FrameType::Open, path);
    if (!sent) End();
  }
  if (!sent) {
    unavailable_ = true;
    return finish(PdfTextStatus::NotStarted);
  }

  timeout.Arm();
  bool firstPage = true;
  bool sinkDone = false;  // the sink has what it needs: the rest is dropped
  // The end of a document the sink already stopped: whatever goes wrong
  // after that (a helper that does not stop in time) costs the helper, not
  // the document.
  auto fail = [&](PdfTextStatus status) {
    End();
    return finish(sinkDone ? PdfTextStatus::SinkStopped : status);
  };
  auto sinkSaid = [&](bool more) {
    if (more || wholeText || sinkDone) return true;
    sinkDone = true;
    return SendFrame(FrameType::Stop, {});
  };
  for (;;) {
    pdftext::Frame frame;
    const FrameDecoder::Result next = decoder_.Next(frame);
    if (next == FrameDecoder::Result::Bad) return fail(PdfTextStatus::Failed);
    if (next == FrameDecoder::Result::Frame) {
      switch (frame.type) {
        case FrameType::Page: {
          if (frame.payload.size() != 4) return fail(PdfTextStatus::Failed);
          const auto number = pdftext::GetU32(frame.payload.data());
          if (firstPage) {
            // The document opened: a fresh wait while its pages come.
            firstPage = false;
            timeout.Stop();
            timeout.Arm();
          }
          if (sinkDone) break;
          ++result.pages;
          if (!sinkSaid(sink.BeginPart(PartKind::Page, static_cast<int>(number), ""))) return fail(PdfTextStatus::Crashed);
          break;
        }
        case FrameType::Text:
          if (firstPage) return fail(PdfTextStatus::Failed);  // text before any page
          if (!sinkDone && !sinkSaid(sink.Append(frame.payload))) return fail(PdfTextStatus::Crashed);
          break;
        case FrameType::End: {
          if (frame.payload.size() != 5) return fail(PdfTextStatus::Failed);
          const auto status = static_cast<EndStatus>(static_cast<unsigned char>(frame.payload[0]));
          if (status == EndStatus::TooLarge) End();  // it ends itself after running out of memory
          if (sinkDone) return finish(PdfTextStatus::SinkStopped);
          if (status == EndStatus::Stopped) return fail(PdfTextStatus::Failed);  // a stop nobody asked for
          return finish(StatusOfEnd(status));
        }
        default: return fail(PdfTextStatus::Failed);
      }
      continue;
    }
    if (Stopped(stop)) {
      End();
      return finish(PdfTextStatus::Cancelled);
    }
    if (timeout.TimedOut()) return fail(PdfTextStatus::TimedOut);
    if (ReadSome(child_.socket, decoder_, kPollStep) == Readable::Closed) return fail(PdfTextStatus::Crashed);
  }
}

}  // namespace tessaly::extract
