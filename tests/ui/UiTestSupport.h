// Shared pieces of the window tests: the application object, a desktop
// double that records messages and answers dialogs, temporary folders, and
// waiting for the window thread's queued work.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QString>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <stdlib.h>

#include "ui/Application.h"
#include "ui/Desktop.h"

namespace tessaly::ui::test {

// One application object for the whole test program (offscreen platform).
inline TApplication& App() {
  static int argc = 1;
  static char name[] = "ui_test";
  static char* argv[] = {name, nullptr};
  static TApplication* app = new TApplication(argc, argv);
  return *app;
}

struct Message {
  QString text;
  QString caption;
  bool owned;
};

class FakeDesktop : public TDesktop {
 public:
  std::vector<Message> messages;
  std::optional<QString> folderAnswer;
  std::optional<QString> saveAnswer;
  std::vector<QString> saveRequests;  // "name|filter|suffix"
  int openResult = 42;
  std::vector<std::string> opened;
  std::vector<QString> questions;
  bool confirmAnswer = true;

  void ShowMessage(QWidget* owner, const QString& text, const QString& caption) override {
    messages.push_back({text, caption, owner != nullptr});
  }
  bool Confirm(QWidget*, const QString& text, const QString&) override {
    questions.push_back(text);
    return confirmAnswer;
  }
  std::optional<QString> ChooseFolder(QWidget*, const QString& prompt) override {
    lastPrompt = prompt;
    return folderAnswer;
  }
  std::optional<QString> ChooseSaveFile(QWidget*, const QString& fileName, const QString& filter,
                                        const QString& suffix) override {
    saveRequests.push_back(fileName + "|" + filter + "|" + suffix);
    return saveAnswer;
  }
  int OpenTarget(const std::string& target) override {
    opened.push_back(target);
    return openResult;
  }
  QString lastPrompt;
};

// A fresh folder under the system's temporary folder, removed at the end.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tessaly-ui-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }
  std::string Write(const std::string& relative, const std::string& content) const {
    const std::filesystem::path file = std::filesystem::path(path_) / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << content;
    return file.string();
  }
  bool Exists(const std::string& relative) const {
    return std::filesystem::exists(std::filesystem::path(path_) / relative);
  }

 private:
  std::string path_;
};

// Processes window events until `done` holds. The deadline only guards
// against a hang; no test depends on how fast anything runs.
inline bool ProcessUntil(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace tessaly::ui::test
