// The sink every document reader writes its text into, with the places the
// text lies at (pages, slides, sheets). A reader never knows who listens: a
// literal scanner, a regular expression, the cache of extracted text or a
// collector; it stops as soon as the sink says so.
#pragma once

#include <cstdint>
#include <string_view>

namespace tessaly::extract {

// The kind of part a document's text is divided into. Lines are counted by
// the listener within each part (text files and extracted text have one
// part of kind Whole).
enum class PartKind : std::uint8_t {
  Whole,  // no division known: the text as one run of lines
  Page,   // a PDF page
  Slide,  // a presentation slide (its notes count with it)
  Sheet,  // a workbook sheet, named
};

// Receives a document's text piece by piece, in reading order, as UTF-8.
class TTextSink {
 public:
  virtual ~TTextSink() = default;
  // Takes the next piece. False ends the read at once (the listener has
  // what it needs, or was asked to stop); the read then reports no fault.
  virtual bool Append(std::string_view text) = 0;
  // The text that follows belongs to part `number` (1-based) of `kind`,
  // named `name` where the part has a name (a sheet's). A reader that knows
  // no parts never calls it. False ends the read as Append's false does.
  virtual bool BeginPart(PartKind kind, int number, std::string_view name) {
    (void)kind;
    (void)number;
    (void)name;
    return true;
  }
};

}  // namespace tessaly::extract
