// A search text prepared for the text scanner: the text folded by the case
// rule, two of its rarest bytes as the probe of a vectorised first pass, and
// the compare that confirms each candidate without folding the file's bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/CandidateScan.h"

namespace tessaly::engine {

class TextFinder {
 public:
  // `text` must not be empty and must hold no zero byte. Without
  // `caseSensitive` the text and the file are compared upper-cased by
  // platform::UpperCaseInPlace: only a-z when the text is ASCII (the file's
  // two-byte letters cannot be part of a match then), else also the
  // two-byte letters. `path` is the first pass's code (Best: the fastest).
  TextFinder(const std::string& text, bool caseSensitive, ScanPath path = ScanPath::Best);

  std::size_t length() const { return needle_.size(); }

  // The first start p with from <= p <= last where the text occurs in
  // data[0, size), or SIZE_MAX. Requires last + length() <= size. The bytes
  // just before p and just after the occurrence (when inside data) decide
  // whether a two-byte letter straddling the occurrence's edge folds; so a
  // caller scanning a file in windows gives each window one byte before its
  // first start and one after its last start's occurrence, unless the
  // window starts or ends the file.
  std::size_t Find(const std::uint8_t* data, std::size_t size, std::size_t from, std::size_t last) const;

  // The probe of the first pass, or nullptr when no position of the text
  // narrows the candidates (every start is confirmed then).
  const CandidateProbe* probe() const { return hasProbe_ ? &probe_ : nullptr; }

 private:
  enum class Rule { Exact, Ascii, TwoByte };

  bool Confirm(const std::uint8_t* data, std::size_t size, std::size_t p) const;

  std::string needle_;
  Rule rule_;
  ScanPath path_;
  CandidateProbe probe_;
  bool hasProbe_ = false;
};

}  // namespace tessaly::engine
