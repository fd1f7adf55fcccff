// Timer2: arming from any thread, firing on the window thread.
#include "ui/ConversionTimeout.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

namespace tessaly::ui {

TConversionTimeout::TConversionTimeout(QObject* parent) : QObject(parent) {
  timer_.setSingleShot(true);
  timer_.setInterval(kIntervalMs);
  connect(&timer_, &QTimer::timeout, this, &TConversionTimeout::Timer2Timer);
}

const char* TConversionTimeout::PlaceholderLine() {
  return "_________________________________________________\r\n";
}

void TConversionTimeout::Arm(const std::string& outputPath) {
  std::uint64_t generation;
  {
    std::lock_guard lock(mutex_);
    generation = ++generation_;
    tag_ = 0;
    outputPath_ = outputPath;
  }
  // Direct on the window thread, queued from the search thread.
  QMetaObject::invokeMethod(this, [this, generation] { StartTimerFor(generation); }, Qt::AutoConnection);
}

void TConversionTimeout::Stop() {
  std::uint64_t generation;
  {
    std::lock_guard lock(mutex_);
    generation = ++generation_;
  }
  QMetaObject::invokeMethod(this, [this, generation] { StopTimerFor(generation); }, Qt::AutoConnection);
}

void TConversionTimeout::StartTimerFor(std::uint64_t generation) {
  {
    std::lock_guard lock(mutex_);
    if (generation != generation_) return;  // a later Arm or Stop came first
    timerGeneration_ = generation;
  }
  timer_.start();
}

void TConversionTimeout::StopTimerFor(std::uint64_t generation) {
  {
    std::lock_guard lock(mutex_);
    if (generation != generation_) return;
  }
  timer_.stop();
}

bool TConversionTimeout::TimedOut() const {
  std::lock_guard lock(mutex_);
  return tag_ == kTimedOutTag;
}

int TConversionTimeout::Tag() const {
  std::lock_guard lock(mutex_);
  return tag_;
}

void TConversionTimeout::Timer2Timer() {
  timer_.stop();
  std::string path;
  std::uint64_t generation;
  {
    std::lock_guard lock(mutex_);
    if (timerGeneration_ != generation_) return;  // the wait it was armed for is over
    generation = generation_;
    path = outputPath_;
  }
  if (!path.empty()) {
    // Exclusive creation: an output file that the converter did write is
    // left alone, and a link planted at the path is not followed.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0) {
      const char* line = PlaceholderLine();
      const ssize_t written = ::write(fd, line, std::strlen(line));
      (void)written;  // a short write leaves a shorter placeholder; the wait ends all the same
      ::close(fd);
    }
  }
  std::lock_guard lock(mutex_);
  if (generation == generation_) tag_ = kTimedOutTag;
}

}  // namespace tessaly::ui
