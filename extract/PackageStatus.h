// How far an office package could be read: the status every package
// reader returns beside the text or properties it found.
//
// Callers map the status to what they tell the user: Damaged is "damaged or
// not of its type" (not a ZIP file, a ZIP directory or member that cannot be
// read, XML that is not well-formed, a document type declaration, no main
// part); TooLarge is "too large" (one of the named limits of
// OfficePackage.h or XmlReader.h was reached). Whatever the status, the
// text read before the fault stays usable.
#pragma once

#include <string>

namespace tessaly::extract {

enum class PackageStatus {
  Complete,  // every part was read, or the caller ended the read early
  Damaged,   // damaged or not a package of a known kind
  TooLarge,  // a limit was reached; the parts beyond it were not read
};

// The status of one read and the first fault met, in the user's words
// ("word/document.xml: not well-formed (invalid token) at line 3").
struct TPackageOutcome {
  PackageStatus status = PackageStatus::Complete;
  std::string fault;

  // Keeps the first fault: later ones are mostly its consequences.
  void Note(PackageStatus newStatus, const std::string& text) {
    if (newStatus == PackageStatus::Complete || status != PackageStatus::Complete) return;
    status = newStatus;
    fault = text;
  }
  bool Complete() const { return status == PackageStatus::Complete; }
};

}  // namespace tessaly::extract
