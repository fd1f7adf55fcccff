// A search host without a front end: it shows nothing, and its conversion
// time-outs are plain deadlines of the length it was made with. For searches
// that run without a window (the close-time clean-up, tests, benchmarks) and
// as the base of the console's host.
#pragma once

#include <chrono>
#include <memory>

#include "engine/SearchHost.h"

namespace tessaly::engine {

class QuietSearchHost : public SearchHost {
 public:
  explicit QuietSearchHost(std::chrono::milliseconds conversionTimeout = kConversionTimeout,
                           std::chrono::milliseconds captureTimeout = extract::kCaptureTimeout)
      : conversionTimeout_(conversionTimeout), captureTimeout_(captureTimeout) {}

  void SearchStarted() override {}
  void ShowStatus(int, const std::string&) override {}
  void RowCountChanged(std::size_t) override {}
  void SearchFinished(std::size_t) override {}
  void ReportMissingFolders(const std::string&) override {}
  void SearchEnded() override {}

  std::unique_ptr<extract::ConversionTimeout> NewConversionTimeout() override {
    return std::make_unique<ConversionDeadline>(conversionTimeout_);
  }
  std::chrono::milliseconds CaptureTimeout() const override { return captureTimeout_; }

 private:
  std::chrono::milliseconds conversionTimeout_;
  std::chrono::milliseconds captureTimeout_;
};

}  // namespace tessaly::engine
