// Running converter programs and reading back the text they produce.
//
// Two ways of running exist. A capturing run (RunConverter, GetConsoleOuput)
// sends the converter's standard output and standard error into two capture
// files in the work folder, waits for the converter to end and returns the
// text, with the errors and the exit status beside it. A
// file-writing run (StartConverter, then AwaitConverterOutput) starts the
// converter without waiting and then waits, twice with a time-out, until its
// output file exists and is no longer held open.
#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Process.h"

namespace tessaly::extract {

// A command as an argument vector. The first argument names the program:
// a path when it holds a `/`, else a name looked up next to the running
// executable and then on PATH. Arguments marked quoted are shown in double
// quotes in the text form; they still reach the program as they are.
struct CommandLine {
  std::vector<std::string> args;
  std::vector<bool> quoted;

  CommandLine& Add(std::string arg, bool quote = false);
  // The arguments joined by blanks, the quoted ones in double quotes.
  std::string Text() const;
};

// "Function GetConsoleOuput() failed!\n\rCommand line = ...": the capture
// file could not be made.
class ConverterError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "CreateProcess() in function GetConsoleOuput() failed!\n\rCommand line =
// ...": the program is missing or could not be started. `program()` is the
// program as the command line names it.
class ConverterStartError : public ConverterError {
 public:
  ConverterStartError(const std::string& message, std::string program)
      : ConverterError(message), program_(std::move(program)) {}
  const std::string& program() const { return program_; }

 private:
  std::string program_;
};

// How long a capturing run may take before it is ended.
constexpr std::chrono::seconds kCaptureTimeout{60};

// The placeholder line a timed-out conversion leaves, without its CR LF.
extern const char* const kPlaceholderLine;

// What a capturing run brought back. Standard error is kept apart from the
// text: it is never searched, only read for the cause of a failure.
struct ConverterRun {
  std::string text;      // standard output as GetConsoleOuput returns it
  std::string errors;    // standard error as written, at most kMaxErrorText bytes
  int exitStatus = 0;    // exit code, or 128 + signal number
  bool timedOut = false; // ended after its time-out
  bool stopped = false;  // ended because the stop was requested

  // Ended with a failure status, or wrote nothing but errors.
  bool Failed() const;
};

// Standard error kept of one run; the rest is dropped.
constexpr std::size_t kMaxErrorText = 65536;

// True when `text` holds nothing but blanks, tabs and line breaks.
bool IsBlankText(const std::string& text);

// Runs `commandLine` with standard output and standard error captured into
// two files "tmp<n>.<m>" made exclusively in the work folder (removed
// afterwards unless still held open) and waits for it to end. The text is
// standard output cut at its first NUL, split into lines at CR LF, LF or
// CR, each line followed by CR LF (empty output gives the empty text). A
// run that takes longer than `timeout` is ended and what it printed so far
// is returned. A run is also ended as soon as `stop` (when given) becomes
// true, so a stopped search need not wait for a slow converter. Raises
// ConverterError when the work folder or a capture file cannot be made,
// ConverterStartError when the program cannot be found or started.
ConverterRun RunConverter(const CommandLine& commandLine, std::chrono::milliseconds timeout = kCaptureTimeout,
                          const std::atomic<bool>* stop = nullptr);

// RunConverter's text alone.
std::string GetConsoleOuput(const CommandLine& commandLine, std::chrono::milliseconds timeout = kCaptureTimeout,
                            const std::atomic<bool>* stop = nullptr);

class CaptureFile;

// A converter started by StartConverter, for telling when it has ended, how,
// and what it wrote to standard error.
class ConverterProcess {
 public:
  ConverterProcess();
  ~ConverterProcess();
  ConverterProcess(const ConverterProcess&) = delete;
  ConverterProcess& operator=(const ConverterProcess&) = delete;

  bool Ended() const { return ended && ended->ended.load(); }
  // The exit status once Ended(); -1 before.
  int ExitStatus() const { return Ended() ? ended->exitStatus.load() : -1; }
  // What it wrote to standard error so far (at most kMaxErrorText bytes).
  std::string Errors() const;
  // Ends the converter and what it started (SIGTERM, SIGKILL 100 ms later)
  // and waits until it was reaped: a stopped search leaves no converter
  // running that could still write its file.
  void End();

  platform::EndFlag ended;
  std::unique_ptr<CaptureFile> errorCapture;
};

// Starts `commandLine` detached and returns at once; true when the process
// was created. When `process` is given it can tell later whether the
// converter has ended, and it keeps the converter's standard error (which
// otherwise goes nowhere). Never raises.
bool StartConverter(const CommandLine& commandLine, ConverterProcess* process = nullptr);

// The time-out of AwaitConverterOutput, supplied by the front end: one at a
// time, armed, polled and stopped by the waiting thread.
class ConversionTimeout {
 public:
  virtual ~ConversionTimeout() = default;
  virtual void Arm() = 0;
  virtual bool TimedOut() = 0;
  virtual void Stop() = 0;
};

// Waits until `outputFile` exists or `timeout` runs out; in the latter case
// creates it (only if it still does not exist) holding the placeholder line
// and CR LF. Then waits until the file is no longer held open or a fresh
// time-out runs out. Polls about every 10 ms. Stops the time-out before it
// returns. Never raises; a placeholder that cannot be written leaves no file.
// With `converter`, a converter that ended without writing the file ends
// the first wait at once, with the placeholder as after a time-out (a
// damaged or encrypted PDF then costs no 9 s wait).
enum class OutputWait {
  Written,         // the converter's file exists and was released
  StillHeld,       // the file exists but was still held open when the wait ran out
  TimedOut,        // the first wait ran out: the placeholder was written
  ConverterEnded,  // the converter ended without writing: the placeholder was written
};
OutputWait AwaitConverterOutput(const std::string& outputFile, ConversionTimeout& timeout,
                                const ConverterProcess* converter = nullptr);

// False when no file `path` exists; true while it is held open by anyone, or
// when it cannot be opened.
bool IsFileLocked(const std::string& path);

// A new name "<work folder>/tempdat<n>.<m>" (n 1..65534, m 1..998 at random)
// for the PDF converter's output. The name is reserved by creating the file
// exclusively and removed again, so no file exists under it when this
// returns; names that exist are passed over. Raises ConverterError naming
// the folder when no file can be made there (std::runtime_error from
// platform::WorkFolder when the work folder itself is refused).
std::string NewPdfTextFile();

// "<prefix><n>.<m>" with n and m drawn at random as above.
std::string DrawTempName(const std::string& prefix);

// The working folder of a capturing run: the text form is cut after its
// last `/`; when the last part names an existing file (in the current
// folder, or inside the folder part) the folder part, else `workFolder`.
std::string WorkingFolderFor(const std::string& commandText, const std::string& workFolder);

// The captured bytes as returned text: cut at the first NUL, every line
// followed by CR LF.
std::string NormaliseCapturedText(const char* data, std::size_t size);

}  // namespace tessaly::extract
