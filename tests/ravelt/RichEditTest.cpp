// Tests of the control's streaming requests: chunked reading and writing,
// and the error field for failing callbacks and bad input.
#include "tools/ravelt/RichEdit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace tessaly::ravelt {
namespace {

// A memory source for the read callback, with an optional failure.
struct Source {
  explicit Source(std::string b) : bytes(std::move(b)) {}
  std::string bytes;
  std::size_t at = 0;
  std::int32_t failWith = 0;  // returned on the second call when non-zero
  int calls = 0;
  std::vector<std::int32_t> requested;
};

std::int32_t ReadSource(std::uintptr_t cookie, unsigned char* buffer, std::int32_t count, std::int32_t* done) {
  auto* s = reinterpret_cast<Source*>(cookie);
  s->requested.push_back(count);
  if (++s->calls == 2 && s->failWith != 0) return s->failWith;
  const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(count), s->bytes.size() - s->at);
  std::memcpy(buffer, s->bytes.data() + s->at, n);
  s->at += n;
  *done = static_cast<std::int32_t>(n);
  return 0;
}

struct Sink {
  std::string bytes;
  std::vector<std::int32_t> chunks;
  std::int32_t failWith = 0;  // returned on the first call when non-zero
  bool takeNothing = false;
};

std::int32_t WriteSink(std::uintptr_t cookie, unsigned char* buffer, std::int32_t count, std::int32_t* done) {
  auto* s = reinterpret_cast<Sink*>(cookie);
  s->chunks.push_back(count);
  if (s->failWith != 0) return s->failWith;
  if (s->takeNothing) {
    *done = 0;
    return 0;
  }
  s->bytes.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(count));
  *done = count;
  return 0;
}

std::int32_t StreamIn(TRichEdit& control, Source& source) {
  EditStream stream{reinterpret_cast<std::uintptr_t>(&source), 12345, ReadSource};
  control.StreamIn(SF_RTF, stream);
  return stream.dwError;
}

TEST(RichEditTest, StreamsALargeDocumentInAndOutInChunks) {
  // A document several chunks long: the control asks for kReadChunk bytes
  // each time and hands the text out in chunks of at most kWriteChunk.
  std::string body;
  for (int i = 0; i < 3000; ++i) body += "Line " + std::to_string(i) + "\\par\n";
  Source source{"{\\rtf1 " + body + "}"};
  TRichEdit control;
  EXPECT_EQ(StreamIn(control, source), 0);
  EXPECT_GT(source.requested.size(), 3u);
  for (std::int32_t r : source.requested) EXPECT_EQ(r, TRichEdit::kReadChunk);

  Sink sink;
  EditStream out{reinterpret_cast<std::uintptr_t>(&sink), 7, WriteSink};
  control.StreamOut(SF_TEXT, out);
  EXPECT_EQ(out.dwError, 0);
  EXPECT_EQ(sink.bytes, control.text());
  EXPECT_EQ(sink.bytes.substr(0, 14), "Line 0\r\nLine 1");
  EXPECT_GT(sink.chunks.size(), 1u);
  for (std::int32_t c : sink.chunks) EXPECT_LE(c, TRichEdit::kWriteChunk);
}

TEST(RichEditTest, ReadCallbackFailureIsTheErrorField) {
  Source source{"{\\rtf1 " + std::string(10000, 'x') + "}"};
  source.failWith = -1;
  TRichEdit control;
  EXPECT_EQ(StreamIn(control, source), -1);
  EXPECT_EQ(source.calls, 2);  // no call after the failure
}

TEST(RichEditTest, BadInputSetsTheErrorField) {
  TRichEdit control;
  Source notRtf{"Just some text"};
  EXPECT_EQ(StreamIn(control, notRtf), kStreamErrorNotRtf);
  Source empty{""};
  EXPECT_EQ(StreamIn(control, empty), kStreamErrorNotRtf);
  Source open{"{\\rtf1 {\\b unterminated"};
  EXPECT_EQ(StreamIn(control, open), kStreamErrorUnterminated);
}

TEST(RichEditTest, StreamInReplacesTheDocument) {
  TRichEdit control;
  Source first{"{\\rtf1 first}"};
  Source second{"{\\rtf1 second}"};
  StreamIn(control, first);
  StreamIn(control, second);
  EXPECT_EQ(control.text(), "second\r\n");
}

TEST(RichEditTest, WriteCallbackFailureStopsTheStream) {
  TRichEdit control;
  Source source{"{\\rtf1 " + std::string(10000, 'x') + "}"};
  StreamIn(control, source);
  Sink failing;
  failing.failWith = -1;
  EditStream out{reinterpret_cast<std::uintptr_t>(&failing), 0, WriteSink};
  control.StreamOut(SF_TEXT, out);
  EXPECT_EQ(out.dwError, -1);
  EXPECT_EQ(failing.chunks.size(), 1u);

  // A callback that takes nothing would repeat forever; it fails instead.
  Sink stuck;
  stuck.takeNothing = true;
  EditStream out2{reinterpret_cast<std::uintptr_t>(&stuck), 0, WriteSink};
  control.StreamOut(SF_TEXT, out2);
  EXPECT_EQ(out2.dwError, kStreamErrorShortWrite);
  EXPECT_EQ(stuck.chunks.size(), 1u);
}

TEST(RichEditTest, RequestsThroughTheWindowSystem) {
  // The control answers EM_STREAMIN and EM_STREAMOUT sent to its window.
  TWindowSystem system;
  ASSERT_TRUE(system.LoadLibrary("RICHED20.DLL"));
  ASSERT_TRUE(system.RegisterClass("Parent", [](TWindowSystem&, HWND, std::uint32_t, WPARAM, LPARAM) { return LRESULT{0}; }));
  const HWND parent = system.CreateWindow("Parent", 0, 0, 0, 200, 200, 0, 0, nullptr);
  const HWND control = system.CreateWindow("RichEdit20A", WS_CHILD | ES_MULTILINE, 0, 0, 0, 0, parent, 1, nullptr);
  ASSERT_NE(control, 0u);
  EXPECT_EQ(system.GetDlgItem(parent, 1), control);
  EXPECT_EQ(system.CreateWindow("RICHEDIT", 0, 0, 0, 0, 0, parent, 2, nullptr), 0u);  // that library was not loaded

  Source source{"{\\rtf1 via messages}"};
  EditStream in{reinterpret_cast<std::uintptr_t>(&source), 0, ReadSource};
  system.SendMessage(control, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&in));
  Sink sink;
  EditStream out{reinterpret_cast<std::uintptr_t>(&sink), 0, WriteSink};
  system.SendMessage(control, EM_STREAMOUT, SF_TEXT, reinterpret_cast<LPARAM>(&out));
  EXPECT_EQ(sink.bytes, "via messages\r\n");
}

TEST(WindowSystemTest, MessageLoopEndsWithQuit) {
  // Posted messages arrive in order; destroying the window from its own
  // handler posts the quit message that ends the loop.
  TWindowSystem system;
  std::vector<std::uint32_t> seen;
  system.RegisterClass("W", [&seen](TWindowSystem& s, HWND h, std::uint32_t m, WPARAM, LPARAM) {
    seen.push_back(m);
    if (m == WM_APP + 2) s.DestroyWindow(h);
    if (m == WM_DESTROY) s.PostQuitMessage(0);
    return LRESULT{0};
  });
  const HWND w = system.CreateWindow("W", 0, 0, 0, 200, 200, 0, 0, nullptr);
  system.PostMessage(w, WM_APP + 1, 0, 0);
  system.PostMessage(w, WM_APP + 2, 0, 0);
  Msg msg;
  int loops = 0;
  while (system.GetMessage(msg)) {
    system.DispatchMessage(msg);
    ++loops;
  }
  EXPECT_EQ(loops, 2);
  EXPECT_EQ(seen, (std::vector<std::uint32_t>{WM_CREATE, WM_APP + 1, WM_APP + 2, WM_DESTROY}));
  EXPECT_EQ(system.GetDlgItem(0, 0), 0u);

  // A creation that the procedure refuses fails.
  system.RegisterClass("Refuses", [](TWindowSystem&, HWND, std::uint32_t m, WPARAM, LPARAM) {
    return LRESULT{m == WM_CREATE ? -1 : 0};
  });
  EXPECT_EQ(system.CreateWindow("Refuses", 0, 0, 0, 0, 0, 0, 0, nullptr), 0u);
  EXPECT_NE(system.GetLastError(), 0);
}

}  // namespace
}  // namespace tessaly::ravelt
