// The conversion time-out of one converter run: a plain deadline, so runs of
// different files that overlap each keep their own.
#pragma once

#include <chrono>

#include "extract/ConverterRunner.h"

namespace tessaly::engine {

// How long each wait for a PDF converter's output file may take.
constexpr std::chrono::milliseconds kConversionTimeout{9000};

class ConversionDeadline : public extract::ConversionTimeout {
 public:
  explicit ConversionDeadline(std::chrono::milliseconds length = kConversionTimeout) : length_(length) {}

  void Arm() override {
    deadline_ = std::chrono::steady_clock::now() + length_;
    armed_ = true;
  }
  bool TimedOut() override { return armed_ && std::chrono::steady_clock::now() >= deadline_; }
  void Stop() override { armed_ = false; }

 private:
  std::chrono::milliseconds length_;
  std::chrono::steady_clock::time_point deadline_{};
  bool armed_ = false;
};

}  // namespace tessaly::engine
