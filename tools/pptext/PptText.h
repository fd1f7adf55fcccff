// The text of a PowerPoint 97-2003 presentation, from its "PowerPoint
// Document" stream.
//
// The stream is a tree of records: an 8-byte header (version and instance,
// type, length) and either child records (version 0xF: a container) or data
// (an atom). Slide text lies in TextCharsAtom (UTF-16LE) and TextBytesAtom
// (one byte per character, the low byte of UTF-16) records, inside the
// slide list of the document (PowerPoint) or inside the text boxes of each
// slide's drawing (LibreOffice).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tessaly::pptext {

// Record types the walk looks at.
constexpr std::uint16_t kTextCharsAtom = 0x0FA0;
constexpr std::uint16_t kTextBytesAtom = 0x0FA8;
constexpr std::uint16_t kMainMaster = 0x03F8;

// Containers nest only a few levels in real files; deeper input is damaged.
constexpr int kMaxDepth = 32;

// The text of every text atom in stream order, as UTF-8, each atom's text
// followed by LF; paragraph ends (CR) and line breaks (VT) become LF. The
// masters' placeholder texts ("Click to edit ...") are left out. Any bytes
// are accepted: a record whose length overruns its container ends that
// container's walk, and what was found before it is kept.
std::string ExtractPptText(const std::uint8_t* data, std::size_t size);

}  // namespace tessaly::pptext
