// A search host without a front end: it shows nothing, and its conversion
// time-out is a plain deadline. For searches that run without a window (the
// close-time clean-up, tests, benchmarks) and as the base of the console's host.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

#include "engine/SearchHost.h"

namespace tessaly::engine {

class QuietSearchHost : public SearchHost {
 public:
  explicit QuietSearchHost(std::chrono::milliseconds conversionTimeout = std::chrono::milliseconds(9000),
                           std::chrono::milliseconds captureTimeout = extract::kCaptureTimeout)
      : conversionTimeout_(conversionTimeout), captureTimeout_(captureTimeout) {}

  void SearchStarted() override {}
  void ShowStatus(int, const std::string&) override {}
  void RowCountChanged(std::size_t) override {}
  void SearchFinished(std::size_t) override {}
  void ReportMissingFolders(const std::string&) override {}
  void SearchEnded() override {}

  // Safe to call from any thread.
  void ArmConversionTimeout() override {
    deadline_.store(NowMs() + conversionTimeout_.count());
    armed_.store(true);
  }
  bool ConversionTimedOut() override { return armed_.load() && NowMs() >= deadline_.load(); }
  void StopConversionTimeout() override { armed_.store(false); }
  std::chrono::milliseconds CaptureTimeout() const override { return captureTimeout_; }

 private:
  static std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }

  std::chrono::milliseconds conversionTimeout_;
  std::chrono::milliseconds captureTimeout_;
  std::atomic<bool> armed_{false};
  std::atomic<std::int64_t> deadline_{0};
};

}  // namespace tessaly::engine
