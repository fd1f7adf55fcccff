// The ravelt program: start, the conversion window's procedure,
// ConvertArguments, ConvertFile and the output file naming.
#include "tools/ravelt/Ravelt.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/DirListing.h"
#include "platform/FileFacts.h"
#include "platform/Wildcard.h"
#include "tools/ravelt/Messages.h"
#include "tools/ravelt/RichEdit.h"
#include "tools/ravelt/WindowSystem.h"

namespace tessaly::ravelt {

namespace {

constexpr const char* kWindowClass = "RaveltConvWindow";
constexpr int kControlId = 1;

// A stdio file closed on every path.
class TFile {
 public:
  TFile() = default;
  explicit TFile(std::FILE* f) : file_(f) {}
  ~TFile() { Close(); }
  TFile(const TFile&) = delete;
  TFile& operator=(const TFile&) = delete;
  std::FILE* get() const { return file_; }
  explicit operator bool() const { return file_ != nullptr; }
  void Reset(std::FILE* f) {
    Close();
    file_ = f;
  }
  void Close() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
  }

 private:
  std::FILE* file_ = nullptr;
};

// What the streaming callbacks need: the run's console and the file.
struct StreamCookie {
  TConsole* console = nullptr;
  std::FILE* file = nullptr;
  bool toFile = false;  // an output file was wanted (it may have failed)
};

std::size_t LastComponentStart(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? 0 : slash + 1;
}

std::int32_t EditStreamInCallback(std::uintptr_t cookie, unsigned char* buffer, std::int32_t count,
                                  std::int32_t* done) {
  auto* c = reinterpret_cast<StreamCookie*>(cookie);
  c->console->DebugLog("EditStreamInCalleback called: buffer length = %d", static_cast<int>(count));
  *done = 0;
  const std::size_t got = std::fread(buffer, 1, static_cast<std::size_t>(count), c->file);
  if (got < static_cast<std::size_t>(count) && std::ferror(c->file)) {
    c->console->ReportSystemError(errno);
    return -1;
  }
  *done = static_cast<std::int32_t>(got);
  return 0;
}

std::int32_t EditStreamOutCallback(std::uintptr_t cookie, unsigned char* buffer, std::int32_t count,
                                   std::int32_t* done) {
  auto* c = reinterpret_cast<StreamCookie*>(cookie);
  TConsole& console = *c->console;
  console.DebugLog("EditStreamOutCalleback called: max buffer length = %d", static_cast<int>(count));
  *done = 0;
  if (c->toFile) {
    console.DebugLog("dwCookie = 0x%08X", c->file != nullptr ? static_cast<unsigned>(fileno(c->file)) : 0xFFFFFFFFu);
    if (c->file == nullptr) {
      // No output file could be created: the write fails as a write to an
      // invalid handle would.
      console.ReportSystemError(EBADF);
      return -1;
    }
    const std::size_t written = std::fwrite(buffer, 1, static_cast<std::size_t>(count), c->file);
    if (written != static_cast<std::size_t>(count)) {
      console.ReportSystemError(errno);
      return -1;
    }
    *done = count;
    return 0;
  }
  // Standard output (or nothing in debug mode). The text goes out as bytes,
  // never as a format, so "%" passes unchanged.
  std::vector<char> copy;
  try {
    copy.assign(static_cast<std::size_t>(count) + 1, '\0');
  } catch (const std::bad_alloc&) {
    std::fputs("Not enough memory.\n", console.err());
    return -1;
  }
  std::memcpy(copy.data(), buffer, static_cast<std::size_t>(count));
  if (!console.debug()) std::fwrite(copy.data(), 1, static_cast<std::size_t>(count), console.out());
  *done = count;
  return 0;
}

class TRavelt {
 public:
  TRavelt(std::FILE* out, std::FILE* err) : console_(out, err) {}
  int Run(int argc, char** argv);

 private:
  LRESULT WindowProcedure(TWindowSystem& system, HWND hwnd, std::uint32_t message, WPARAM wParam, LPARAM lParam);
  void ConvertArguments(HWND window, std::size_t count, char** arguments);
  void ConvertFile(HWND window, const std::string& path);
  // Opens the output file for `path`; false when ConvertFile must stop.
  bool CreateOutput(const std::string& path, TFile& file, std::string& name);
  void Usage(const std::string& programName);

  TConsole console_;
  RaveltSettings settings_;
  TWindowSystem system_;
};

void TRavelt::Usage(const std::string& programName) {
  if (auto usage = FormatModuleMessage(kMessageUsage, {programName})) std::fputs(usage->c_str(), console_.err());
}

// A word that begins with "/" is an option only when it has no other "/"
// and names nothing in the file system: on this system "/" also begins
// every absolute path, and tessaly passes full paths.
bool IsOptionWord(const char* word) {
  if (word[0] == '-') return true;
  if (word[0] != '/') return false;
  if (std::strchr(word + 1, '/') != nullptr) return false;
  return !platform::FileExists(word) && !platform::FolderExists(word);
}

int TRavelt::Run(int argc, char** argv) {
  const std::string first = argc > 0 && argv[0] != nullptr ? argv[0] : "ravelt";
  const std::string programName = first.substr(LastComponentStart(first));
  int index = 1;
  for (; index < argc; ++index) {
    const char* word = argv[index];
    if (!IsOptionWord(word)) break;
    switch (word[1]) {
      case '1': settings_.richEditVersion = 1; break;
      case '2': settings_.richEditVersion = 2; break;
      case '?': case 'h': case 'H': {
        const std::string usage = FormatModuleMessage(kMessageUsage, {programName}).value_or("");
        if (auto help = FormatModuleMessage(kMessageHelp, {kRevision, kNoticeLine, usage}))
          std::fputs(help->c_str(), console_.out());
        return 0;
      }
      case 'd': case 'D': settings_.debug = true; break;
      case 'e': case 'E': {
        const char* rest = word + 2;
        if (*rest == '\0') settings_.outputExtension = "txt";
        else settings_.outputExtension = std::string(*rest == '.' ? rest + 1 : rest);
        break;
      }
      case 'v': case 'V':
        std::fprintf(console_.out(), "%s\n", kVersionLine);
        return 0;
      case 'w': case 'W': settings_.overwrite = true; break;
      default:
        std::fprintf(console_.err(), "%s: Unknown option.\n", word);
        Usage(programName);
        return -1;
    }
  }
  console_.SetDebug(settings_.debug);
  if (index >= argc) {
    Usage(programName);
    return -1;
  }

  const char* library = settings_.richEditVersion == 2 ? "RICHED20.DLL" : "RICHED32.DLL";
  const char* controlClass = settings_.richEditVersion == 2 ? "RichEdit20A" : "RICHEDIT";
  console_.DebugLog("Loading %s.", library);
  if (!system_.LoadLibrary(library)) {
    console_.ReportSystemError(system_.GetLastError());
    std::fputs("Can not load RICHED32.DLL.\n", console_.err());
    return -1;
  }

  console_.DebugLog("Creating conversion window.");
  HWND window = 0;
  if (system_.RegisterClass(kWindowClass, [this](TWindowSystem& s, HWND h, std::uint32_t m, WPARAM w, LPARAM l) {
        return WindowProcedure(s, h, m, w, l);
      })) {
    window = system_.CreateWindow(kWindowClass, 0, 0, 0, 200, 200, 0, 0, controlClass);
  }
  if (window == 0) {
    console_.ReportSystemError(system_.GetLastError());
    std::fputs("Failed to create a conversion window.\n", console_.err());
    return -1;
  }

  console_.DebugLog("Posting application message %d.", static_cast<int>(WM_APP_CONVERT));
  system_.PostMessage(window, WM_APP_CONVERT, static_cast<WPARAM>(argc - index), reinterpret_cast<LPARAM>(argv + index));
  console_.DebugLog("Entering message loop.\n");
  Msg msg;
  while (system_.GetMessage(msg)) {
    system_.TranslateMessage(msg);
    system_.DispatchMessage(msg);
  }
  console_.DebugLog("Exit.");
  return 0;
}

LRESULT TRavelt::WindowProcedure(TWindowSystem& system, HWND hwnd, std::uint32_t message, WPARAM wParam,
                                 LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      const auto* create = reinterpret_cast<const CreateStruct*>(lParam);
      const char* controlClass = static_cast<const char*>(create->lpCreateParams);
      console_.DebugLog("Creating RichEdit child window: window class = %s.", controlClass);
      const HWND control = system.CreateWindow(controlClass, WS_CHILD | ES_MULTILINE, 0, 0, 0, 0, hwnd, kControlId, nullptr);
      return control == 0 ? -1 : 0;
    }
    case WM_DESTROY:
      console_.DebugLog("\nConversion window is destroyed.");
      system.PostQuitMessage(0);
      return 0;
    case WM_APP_CONVERT:
      ConvertArguments(hwnd, static_cast<std::size_t>(wParam), reinterpret_cast<char**>(lParam));
      return 0;
    default:
      return TWindowSystem::DefWindowProc(hwnd, message, wParam, lParam);
  }
}

// The entries an argument names: the argument itself when its last
// component has no wildcard and it exists, else the matching entries of its
// folder in listing order. Empty with `error` set when nothing is found.
std::vector<std::string> FindFiles(const std::string& argument, int& error) {
  std::vector<std::string> names;
  const std::size_t start = LastComponentStart(argument);
  const std::string pattern = argument.substr(start);
  if (pattern.find_first_of("*?") == std::string::npos) {
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(argument, ec);
    if (std::filesystem::exists(status)) names.push_back(pattern);
    else error = ec && ec.value() != 0 ? ec.value() : ENOENT;
    return names;
  }
  const std::string folder = start == 0 ? "." : argument.substr(0, start);
  errno = 0;
  platform::FolderListing listing(folder);
  if (!listing.ok()) {
    error = errno != 0 ? errno : ENOENT;
    return names;
  }
  for (std::size_t i = 0; i < listing.size(); ++i)
    if (platform::WildcardMatch(pattern, listing.name(i))) names.push_back(listing.name(i));
  if (names.empty()) error = ENOENT;
  return names;
}

void TRavelt::ConvertArguments(HWND window, std::size_t count, char** arguments) {
  console_.DebugLog("Received an application message %d to start conversion.", static_cast<int>(WM_APP_CONVERT));
  for (std::size_t a = 0; a < count; ++a) {
    const std::string argument = arguments[a];
    if (argument.size() >= kPathBufferSize) {
      std::fprintf(console_.err(), "File name too long (over %zu bytes): \"%s\".\n", kPathBufferSize - 1, argument.c_str());
      continue;
    }
    const std::size_t start = LastComponentStart(argument);
    console_.DebugLog("\nSearching for file \"%s\".", argument.c_str());
    int error = 0;
    const std::vector<std::string> names = FindFiles(argument, error);
    if (names.empty()) {
      console_.ReportSystemError(error);
      std::fprintf(console_.err(), "File open error on \"%s\".\n", argument.c_str());
      continue;
    }
    for (const std::string& name : names) {
      const std::string path = argument.substr(0, start) + name;
      if (path.size() >= kPathBufferSize) {
        std::fprintf(console_.err(), "File name too long (over %zu bytes): \"%s\".\n", kPathBufferSize - 1, path.c_str());
        continue;
      }
      console_.DebugLog("\nFound file \"%s\".", path.c_str());
      ConvertFile(window, path);
    }
  }
  system_.DestroyWindow(window);
}

bool TRavelt::CreateOutput(const std::string& path, TFile& file, std::string& name) {
  const std::string& extension = *settings_.outputExtension;
  for (int i = 0; i < 100; ++i) {
    name = OutputCandidate(path, extension, i);
    if (name.size() >= kPathBufferSize) {
      std::fprintf(console_.err(), "Output file name too long (over %zu bytes) for \"%s\".\n", kPathBufferSize - 1,
                   path.c_str());
      return false;
    }
    // "x": only when no such file exists.
    file.Reset(std::fopen(name.c_str(), settings_.overwrite ? "wbe" : "wbxe"));
    if (file) {
      // Unbuffered, so a failing write shows in the callback that made it.
      std::setvbuf(file.get(), nullptr, _IONBF, 0);
      return true;
    }
    if (settings_.overwrite) {
      console_.ReportSystemError(errno);
      std::fprintf(console_.err(), "Can not create an output file for \"%s\".\n", path.c_str());
      return false;
    }
  }
  return true;  // no candidate could be made: the first write fails
}

void TRavelt::ConvertFile(HWND window, const std::string& path) {
  console_.DebugLog("Opening file \"%s\".", path.c_str());
  // Folders fail here; so do pipes and sockets, whose open would wait for
  // a writer that never comes.
  std::error_code kindError;
  const std::filesystem::file_type kind = std::filesystem::status(path, kindError).type();
  int openError = 0;
  if (kind == std::filesystem::file_type::directory) openError = EISDIR;
  else if (kind == std::filesystem::file_type::fifo || kind == std::filesystem::file_type::socket) openError = EINVAL;
  TFile input(openError == 0 ? std::fopen(path.c_str(), "rbe") : nullptr);
  if (!input) {
    console_.ReportSystemError(openError != 0 ? openError : errno);
    std::fprintf(console_.err(), "File open error on \"%s\".\n", path.c_str());
    return;
  }
  const HWND control = system_.GetDlgItem(window, kControlId);
  console_.DebugLog("Sending EM_STREAMIN message to window 0x%08X.", static_cast<unsigned>(control));
  StreamCookie in{&console_, input.get(), false};
  EditStream streamIn{reinterpret_cast<std::uintptr_t>(&in), 0, EditStreamInCallback};
  system_.SendMessage(control, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&streamIn));
  input.Close();
  console_.DebugLog("Error count in EDITSTREAM = %d.", static_cast<int>(streamIn.dwError));
  if (streamIn.dwError != 0) {
    std::fprintf(console_.err(), "An error occured while reading file \"%s\".\n", path.c_str());
    return;
  }

  TFile output;
  std::string outputName;
  StreamCookie out{&console_, nullptr, false};
  if (settings_.debug) {
    if (settings_.outputExtension) {
      console_.DebugLog("Output extension \"%s\" is given, but ignored on debug mode.", settings_.outputExtension->c_str());
      outputName = "(" + path + ")";
      if (outputName.size() >= kPathBufferSize) {
        std::fprintf(console_.err(), "Output file name too long (over %zu bytes) for \"%s\".\n", kPathBufferSize - 1,
                     path.c_str());
        return;
      }
    }
  } else if (settings_.outputExtension) {
    if (!CreateOutput(path, output, outputName)) return;
    out.toFile = true;
    out.file = output.get();
  }

  console_.DebugLog("Sending EM_STREAMOUT message to window 0x%08X.", static_cast<unsigned>(control));
  EditStream streamOut{reinterpret_cast<std::uintptr_t>(&out), 0, EditStreamOutCallback};
  system_.SendMessage(control, EM_STREAMOUT, SF_TEXT, reinterpret_cast<LPARAM>(&streamOut));
  if (out.toFile && out.file == nullptr && streamOut.dwError == 0) {
    // An empty document makes no write, but there is still no output file.
    console_.ReportSystemError(EBADF);
    streamOut.dwError = -1;
  }
  output.Close();
  console_.DebugLog("Error count in EDITSTREAM = %d.", static_cast<int>(streamOut.dwError));
  if (streamOut.dwError != 0) {
    std::fputs("An error occured during conversion.", console_.err());
    return;
  }
  if (settings_.outputExtension)
    std::fprintf(console_.out(), "%s -> %s\n", path.c_str(), outputName.c_str());
}

}  // namespace

std::string OutputCandidate(const std::string& path, const std::string& extension, int i) {
  const std::string name = path.substr(LastComponentStart(path));
  const std::size_t dot = name.rfind('.');
  std::string candidate = name.substr(0, dot == std::string::npos ? name.size() : dot);
  candidate += i == 0 ? std::string(".") : " (" + std::to_string(i) + ").";
  candidate += extension;
  return candidate;
}

int RaveltMain(int argc, char** argv, std::FILE* out, std::FILE* err) {
  TRavelt program(out, err);
  const int status = program.Run(argc, argv);
  std::fflush(out);
  std::fflush(err);
  return status;
}

}  // namespace tessaly::ravelt
