// The frames the PDF text helper (tessaly-pdftext) and its client exchange
// over their socket, shared by both sides.
//
// A frame is a 4-byte little-endian length, then that many bytes: a type
// byte and its payload. Each side caps the length it accepts (a request
// holds a path, a text frame a slice of one page), so a confused or hostile
// peer makes the other hold at most one cap's worth before it gives up.
//
//   client -> helper   Open(path)        convert the PDF at `path`
//                      Stop()            end the document being converted
//   helper -> client   Hello(version)    once, when the helper is ready
//                      Page(number)      page `number` is being read: the text that
//                                        follows is its text (sent before the page
//                                        is read, so the page before is whole)
//                      Text(bytes)       UTF-8 text of the current page
//                      End(status, pages)  the document is done
//
// Every Open is answered by exactly one End. A Stop that arrives while no
// document is being converted is stale and is ignored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace tessaly::extract::pdftext {

inline constexpr std::uint32_t kProtocolVersion = 1;

enum class FrameType : std::uint8_t {
  Hello = 'H',
  Open = 'O',
  Stop = 'S',
  Page = 'P',
  Text = 'T',
  End = 'E',
};

// How a document ended, as the End frame says.
enum class EndStatus : std::uint8_t {
  Complete = 0,          // every page was sent
  Stopped = 1,           // a Stop ended it early
  PasswordRequired = 2,  // encrypted, and the empty user password opens nothing
  Damaged = 3,           // the library cannot open it as a PDF
  Failed = 4,            // opened, but no page could be converted (no pages at all)
  TooLarge = 5,          // the helper ran out of memory on it
};

// The most bytes of page text one Text frame carries; a longer page comes
// in several.
inline constexpr std::size_t kMaxTextChunk = std::size_t{1} << 20;
// The longest frame the helper accepts (a path, with room to spare).
inline constexpr std::size_t kMaxRequestFrame = 65536;
// The longest frame the client accepts.
inline constexpr std::size_t kMaxReplyFrame = kMaxTextChunk + 16;

inline void PutU32(std::string& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

inline std::uint32_t GetU32(const char* p) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(p[i]);
  return value;
}

// The whole frame: length, type, payload.
inline std::string EncodeFrame(FrameType type, std::string_view payload) {
  std::string frame;
  frame.reserve(5 + payload.size());
  PutU32(frame, static_cast<std::uint32_t>(payload.size() + 1));
  frame.push_back(static_cast<char>(type));
  frame.append(payload);
  return frame;
}

inline std::string U32Payload(std::uint32_t value) {
  std::string payload;
  PutU32(payload, value);
  return payload;
}

inline std::string EndPayload(EndStatus status, std::uint32_t pages) {
  std::string payload(1, static_cast<char>(status));
  PutU32(payload, pages);
  return payload;
}

struct Frame {
  FrameType type = FrameType::End;
  std::string_view payload;  // valid until the decoder is fed again
};

// Cuts frames out of the bytes read from a peer. Bytes are fed as they
// arrive; Next hands out the complete frames one by one.
class FrameDecoder {
 public:
  explicit FrameDecoder(std::size_t maxFrame) : maxFrame_(maxFrame) {}

  enum class Result { NeedMore, Frame, Bad };

  void Feed(const char* data, std::size_t size) {
    if (start_ > 0 && start_ == buffer_.size()) {
      buffer_.clear();
      start_ = 0;
    } else if (start_ > (std::size_t{1} << 20) && start_ * 2 > buffer_.size()) {
      buffer_.erase(0, start_);
      start_ = 0;
    }
    buffer_.append(data, size);
  }

  // The next complete frame. Bad: a length of zero or over the cap; the
  // stream cannot be trusted after that.
  Result Next(Frame& frame) {
    const std::size_t have = buffer_.size() - start_;
    if (have < 4) return Result::NeedMore;
    const std::uint32_t length = GetU32(buffer_.data() + start_);
    if (length == 0 || length > maxFrame_) return Result::Bad;
    if (have - 4 < length) return Result::NeedMore;
    frame.type = static_cast<FrameType>(buffer_[start_ + 4]);
    frame.payload = std::string_view(buffer_).substr(start_ + 5, length - 1);
    start_ += 4 + std::size_t{length};
    return Result::Frame;
  }

  // Bytes fed but not yet handed out as frames.
  std::size_t Pending() const { return buffer_.size() - start_; }

 private:
  std::size_t maxFrame_;
  std::string buffer_;
  std::size_t start_ = 0;
};

}  // namespace tessaly::extract::pdftext
