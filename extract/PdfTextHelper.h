// The client of the PDF text helper (tessaly-pdftext): one long-lived helper
// process per user of this class (a worker of the search), started on first
// need, asked for one PDF after another. The pages arrive one by one and go
// to a TTextSink as they come; when the sink says it has enough, the helper
// is told to stop the document, so a word on page 1 costs page 1.
//
// The helper is a process of its own with its own limits: a PDF that
// crashes it or exhausts its memory costs that document ("failed"), and the
// next document starts a fresh helper. A document that runs past its time
// ends the helper too. Nothing is written to disk on either side.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "extract/ConverterRunner.h"
#include "extract/PdfTextFrames.h"
#include "extract/TextSink.h"
#include "platform/Process.h"

namespace tessaly::extract {

// The helper program's name, looked up next to the executable, then on PATH.
inline constexpr const char* kPdfTextHelperProgram = "tessaly-pdftext";

enum class PdfTextStatus : std::uint8_t {
  Complete,          // every page was delivered
  SinkStopped,       // the sink ended the read (the helper was told to stop)
  Cancelled,         // the stop flag ended it (the helper was ended)
  PasswordRequired,  // needs a user password
  Damaged,           // Poppler cannot open it
  Failed,            // no page could be converted, or the helper broke the protocol
  Crashed,           // the helper ended during the document
  TimedOut,          // ran past its time-out (the helper was ended)
  TooLarge,          // the helper ran out of memory on it
  NotStarted,        // the helper cannot be started: use another route
};

struct PdfTextResult {
  PdfTextStatus status = PdfTextStatus::Complete;
  int pages = 0;  // pages delivered to the sink
};

class TPdfTextHelper {
 public:
  // `program`: the helper to start (a path, or a name looked up as
  // converters are).
  explicit TPdfTextHelper(std::string program = kPdfTextHelperProgram);
  // Ends the helper, if one runs.
  ~TPdfTextHelper();
  TPdfTextHelper(const TPdfTextHelper&) = delete;
  TPdfTextHelper& operator=(const TPdfTextHelper&) = delete;

  // Converts the PDF at `path`: each page is announced to `sink` with
  // BeginPart(Page, number, "") and its text given by Append. A false from
  // the sink stops the document, unless `wholeText` is set: then every page
  // is delivered whatever the sink answers.
  //
  // `timeout` is armed when the request goes out and armed afresh when the
  // first page is announced (a wait for the document to open, then one while
  // pages still come); when it runs out the helper is ended and the pages
  // delivered so far stay delivered. `stop` (when given) is looked at about
  // every 20 ms; once set, the helper is ended at once. A helper that is
  // not running is started first; NotStarted when that fails (the program
  // is missing, or it does not answer as the helper does).
  PdfTextResult Convert(const std::string& path, TTextSink& sink, ConversionTimeout& timeout,
                        const std::atomic<bool>* stop = nullptr, bool wholeText = false);

  // Ends the helper now (SIGKILL, reaped); the next Convert starts another.
  void End();

  // The running helper's process id; -1 when none runs.
  int Pid() const { return child_.pid; }
  // Helpers started so far (the first, and one after each crash or time-out).
  int Starts() const { return starts_; }
  // True once a helper could not be started: every later Convert answers
  // NotStarted at once, so a missing or broken helper costs one try.
  bool Unavailable() const { return unavailable_; }

 private:
  bool Start(const std::atomic<bool>* stop);
  bool SendFrame(pdftext::FrameType type, std::string_view payload);

  std::string program_;
  platform::PipedChild child_;
  pdftext::FrameDecoder decoder_{pdftext::kMaxReplyFrame};
  int starts_ = 0;
  bool unavailable_ = false;
};

}  // namespace tessaly::extract
