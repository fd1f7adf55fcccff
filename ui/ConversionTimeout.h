// The conversion time-out (Timer2): a 9000 ms window timer that a waiting
// converter run on the search thread arms and polls.
//
// Its tag is the signal: 0 while a wait runs, 7 once the wait has timed out.
// Every Arm starts a new wait; a timer event that belongs to an earlier wait
// (armed or stopped since) does nothing, so a time-out never acts on a later
// conversion's file.
#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <mutex>
#include <string>

namespace tessaly::ui {

class TConversionTimeout : public QObject {
  Q_OBJECT
 public:
  static constexpr int kIntervalMs = 9000;
  static constexpr int kTimedOutTag = 7;

  // Lives on the thread that creates it (the window thread).
  explicit TConversionTimeout(QObject* parent = nullptr);

  // Any thread: sets the tag to 0 and (re)starts the timer for a new wait.
  // When `outputPath` is not empty and no file exists there when the time
  // runs out, a file holding the placeholder line (49 underscores, CR LF) is
  // created there.
  void Arm(const std::string& outputPath = {});
  // Any thread: true once the current wait has timed out (tag 7).
  bool TimedOut() const;
  // Any thread: disables the timer; the tag stays.
  void Stop();

  int Tag() const;
  // Window thread: the timer is running.
  bool IsActive() const { return timer_.isActive(); }

  // The timer's event (window thread): disables the timer, writes the
  // placeholder when wanted, sets the tag to 7 (also when the placeholder
  // cannot be created).
  void Timer2Timer();

  // The placeholder line that marks a conversion that timed out.
  static const char* PlaceholderLine();

 private:
  void StartTimerFor(std::uint64_t generation);
  void StopTimerFor(std::uint64_t generation);

  mutable std::mutex mutex_;
  int tag_ = 0;
  std::uint64_t generation_ = 0;       // bumped by every Arm and Stop
  std::uint64_t timerGeneration_ = 0;  // the wait the running timer belongs to
  std::string outputPath_;
  QTimer timer_;
};

}  // namespace tessaly::ui
