// The desktop's folder handler, asked of xdg-mime.
#include "platform/FolderHandler.h"

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "platform/Process.h"

namespace tessaly::platform {

namespace {

// xdg-mime is a shell script that reads a few small files.
constexpr std::chrono::seconds kQueryTimeout{5};
// A desktop entry's name is short; anything longer is no answer.
constexpr std::size_t kMaxAnswer = 4096;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

}  // namespace

std::string DefaultFolderHandler(const std::string& xdgMime) {
  const std::string program = FindProgram(xdgMime);
  if (program.empty()) return {};
  const std::unique_ptr<std::FILE, FileCloser> output(std::tmpfile());
  if (!output) return {};
  const std::optional<CapturedRun> run = RunCapturing({program, "query", "default", "inode/directory"}, "/",
                                                      ::fileno(output.get()), kQueryTimeout);
  if (!run || run->timedOut || run->exitStatus != 0) return {};
  std::rewind(output.get());
  std::vector<char> buffer(kMaxAnswer + 1);
  const std::size_t length = std::fread(buffer.data(), 1, buffer.size(), output.get());
  if (length > kMaxAnswer) return {};
  std::string answer(buffer.data(), length);
  // The first line, without blanks around it.
  answer = answer.substr(0, answer.find('\n'));
  const std::size_t first = answer.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  answer.erase(0, first);
  answer.erase(answer.find_last_not_of(" \t\r") + 1);
  return answer;
}

bool IsOwnDesktopEntry(std::string_view desktopId, std::string_view appId) {
  const std::string id = Lower(desktopId);
  return !id.empty() && (id == Lower(appId) + ".desktop" || id == "tessaly.desktop");
}

}  // namespace tessaly::platform
