// The converter runner: capture files, process runs through the platform
// layer, the waits for a PDF converter's output file, and the read-back of
// captured text.
#include "extract/ConverterRunner.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

#include "platform/FileFacts.h"
#include "platform/FileLock.h"
#include "platform/Process.h"
#include "platform/WorkFolder.h"

namespace tessaly::extract {
namespace {

constexpr const char* kFunctionName = "GetConsoleOuput";
constexpr std::chrono::milliseconds kPollInterval{10};
// Names drawn before giving up on finding a free one.
constexpr int kMaxNameDraws = 1000;

std::string FailedText(const std::string& commandText) {
  return std::string("Function ") + kFunctionName + "() failed!\n\rCommand line = " + commandText;
}

std::string StartFailedText(const std::string& commandText) {
  return std::string("CreateProcess() in function ") + kFunctionName + "() failed!\n\rCommand line = " + commandText;
}

std::mt19937& Random() {
  thread_local std::mt19937 engine{std::random_device{}()};
  return engine;
}

bool PathExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

// Creates `path` only if it does not exist and writes the placeholder line.
void WritePlaceholder(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return;
  std::string line = std::string(kPlaceholderLine) + "\r\n";
  const char* p = line.data();
  std::size_t left = line.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  ::close(fd);
}

// The program's path and the argument vector as it is spawned.
std::vector<std::string> ResolvedArgs(const CommandLine& commandLine) {
  std::vector<std::string> args = commandLine.args;
  if (!args.empty()) args[0] = platform::FindProgram(args[0]);
  return args;
}

}  // namespace

// One capture file: its descriptor is closed and the file removed (unless
// someone still holds it open) on every way out.
class CaptureFile {
 public:
  CaptureFile() = default;
  ~CaptureFile() {
    Close();
    if (!path_.empty()) platform::RemoveUnlessHeldOpen(path_);
  }
  CaptureFile(const CaptureFile&) = delete;
  CaptureFile& operator=(const CaptureFile&) = delete;

  // Creates a new capture file in `folder`; false when none can be made.
  bool Create(const std::string& folder) {
    for (int i = 0; i < kMaxNameDraws; ++i) {
      std::string path = DrawTempName(platform::JoinPath(folder, "tmp"));
      // Write-through as the converter writes; private to the user.
      fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_DSYNC, 0600);
      if (fd_ >= 0) {
        path_ = std::move(path);
        return true;
      }
      if (errno != EEXIST) return false;
    }
    return false;
  }

  int fd() const { return fd_; }

  // Removes the file's name at once; the descriptor keeps its bytes
  // readable. For standard error, which a converter left running after its
  // time-out may still hold: no name of it stays behind in the work folder.
  void Unlink() {
    if (!path_.empty()) ::unlink(path_.c_str());
    path_.clear();
  }

  // The file's bytes, at most `limit` of them.
  std::string ReadAll(std::size_t limit = SIZE_MAX) const {
    std::string bytes;
    char block[65536];
    off_t offset = 0;
    while (bytes.size() < limit) {
      const std::size_t want = std::min(sizeof block, limit - bytes.size());
      const ssize_t n = ::pread(fd_, block, want, offset);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      bytes.append(block, static_cast<std::size_t>(n));
      offset += n;
    }
    return bytes;
  }

  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
  std::string path_;
};

const char* const kPlaceholderLine = "_________________________________________________";

CommandLine& CommandLine::Add(std::string arg, bool quote) {
  args.push_back(std::move(arg));
  quoted.push_back(quote);
  return *this;
}

std::string CommandLine::Text() const {
  std::string text;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (i > 0) text += ' ';
    const bool quote = i < quoted.size() && quoted[i];
    if (quote) text += '"';
    text += args[i];
    if (quote) text += '"';
  }
  return text;
}

std::string DrawTempName(const std::string& prefix) {
  std::uniform_int_distribution<int> n(1, 65534);
  std::uniform_int_distribution<int> m(1, 998);
  auto& engine = Random();
  const int first = n(engine);
  const int second = m(engine);
  return prefix + std::to_string(first) + "." + std::to_string(second);
}

std::string WorkingFolderFor(const std::string& commandText, const std::string& workFolder) {
  const auto cut = commandText.rfind('/');
  if (cut == std::string::npos) return workFolder;
  const std::string folderPart = commandText.substr(0, cut + 1);
  const std::string lastPart = commandText.substr(cut + 1);
  if (!lastPart.empty() && (platform::FileExists(lastPart) || platform::FileExists(commandText))) return folderPart;
  return workFolder;
}

std::string NormaliseCapturedText(const char* data, std::size_t size) {
  if (const void* nul = std::memchr(data, '\0', size)) size = static_cast<std::size_t>(static_cast<const char*>(nul) - data);
  std::string text;
  text.reserve(size + size / 16 + 2);
  std::size_t i = 0;
  while (i < size) {
    std::size_t end = i;
    while (end < size && data[end] != '\n' && data[end] != '\r') ++end;
    text.append(data + i, end - i);
    text += "\r\n";
    if (end < size && data[end] == '\r' && end + 1 < size && data[end + 1] == '\n') ++end;
    i = end + 1;
  }
  return text;
}

bool IsBlankText(const std::string& text) {
  return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

bool ConverterRun::Failed() const { return exitStatus != 0 || (IsBlankText(text) && !IsBlankText(errors)); }

ConverterRun RunConverter(const CommandLine& commandLine, std::chrono::milliseconds timeout,
                          const std::atomic<bool>* stop) {
  const std::string commandText = commandLine.Text();
  std::string workFolder;
  try {
    workFolder = platform::WorkFolder();
  } catch (const std::exception&) {
    throw ConverterError(FailedText(commandText));
  }
  const std::string workingFolder = WorkingFolderFor(commandText, workFolder);

  CaptureFile capture, errorCapture;
  if (!capture.Create(workFolder) || !errorCapture.Create(workFolder)) throw ConverterError(FailedText(commandText));
  errorCapture.Unlink();

  const std::vector<std::string> args = ResolvedArgs(commandLine);
  const std::string program = commandLine.args.empty() ? std::string() : commandLine.args[0];
  if (args.empty() || args[0].empty()) throw ConverterStartError(StartFailedText(commandText), program);
  const std::optional<platform::CapturedRun> ran =
      platform::RunCapturing(args, workingFolder, capture.fd(), timeout, stop, errorCapture.fd());
  if (!ran) throw ConverterStartError(StartFailedText(commandText), program);

  ConverterRun run;
  run.stopped = ran->timedOut && stop && stop->load();
  run.timedOut = ran->timedOut && !run.stopped;
  run.exitStatus = ran->exitStatus;
  const std::string bytes = capture.ReadAll();
  capture.Close();
  run.text = NormaliseCapturedText(bytes.data(), bytes.size());
  run.errors = errorCapture.ReadAll(kMaxErrorText);
  errorCapture.Close();
  return run;
}

std::string GetConsoleOuput(const CommandLine& commandLine, std::chrono::milliseconds timeout,
                            const std::atomic<bool>* stop) {
  return RunConverter(commandLine, timeout, stop).text;
}

ConverterProcess::ConverterProcess() = default;
ConverterProcess::~ConverterProcess() = default;

std::string ConverterProcess::Errors() const { return errorCapture ? errorCapture->ReadAll(kMaxErrorText) : ""; }

void ConverterProcess::End() { platform::EndDetached(ended, std::chrono::milliseconds(100)); }

bool StartConverter(const CommandLine& commandLine, ConverterProcess* process) {
  try {
    const std::vector<std::string> args = ResolvedArgs(commandLine);
    if (args.empty() || args[0].empty()) return false;
    int errorFd = -1;
    if (process) {
      // Its errors are kept when a capture file can be made; without one
      // they go nowhere, as they always did.
      auto errors = std::make_unique<CaptureFile>();
      try {
        if (errors->Create(platform::WorkFolder())) {
          errors->Unlink();
          errorFd = errors->fd();
          process->errorCapture = std::move(errors);
        }
      } catch (const std::exception&) {
      }
    }
    return platform::StartDetached(args, process ? &process->ended : nullptr, errorFd);
  } catch (const std::exception&) {
    return false;
  }
}

OutputWait AwaitConverterOutput(const std::string& outputFile, ConversionTimeout& timeout,
                                const ConverterProcess* converter) {
  OutputWait result = OutputWait::Written;
  timeout.Arm();
  while (!PathExists(outputFile)) {
    // The end is read before the file is looked at again: a converter that
    // wrote its file and ended is never taken for one that wrote nothing.
    const bool ended = converter && converter->Ended();
    if (ended && PathExists(outputFile)) break;
    if (ended || timeout.TimedOut()) {
      WritePlaceholder(outputFile);
      result = ended ? OutputWait::ConverterEnded : OutputWait::TimedOut;
      break;
    }
    std::this_thread::sleep_for(kPollInterval);
  }
  timeout.Stop();
  timeout.Arm();
  while (IsFileLocked(outputFile)) {
    if (timeout.TimedOut()) {
      if (result == OutputWait::Written) result = OutputWait::StillHeld;
      break;
    }
    std::this_thread::sleep_for(kPollInterval);
  }
  timeout.Stop();
  return result;
}

bool IsFileLocked(const std::string& path) { return platform::IsFileHeldOpen(path); }

std::string NewPdfTextFile() {
  const std::string folder = platform::WorkFolder();
  for (int i = 0; i < kMaxNameDraws; ++i) {
    std::string path = DrawTempName(platform::JoinPath(folder, "tempdat"));
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      // The converter creates the file itself: the reservation only proves
      // that the name was free.
      ::close(fd);
      ::unlink(path.c_str());
      return path;
    }
    if (errno != EEXIST)
      throw ConverterError("Cannot create a temporary file in \"" + folder + "\": " + std::strerror(errno));
  }
  throw ConverterError("Cannot find a free temporary file name in \"" + folder + "\"");
}

}  // namespace tessaly::extract
