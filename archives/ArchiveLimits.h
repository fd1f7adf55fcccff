// The limits that keep reading archive member data bounded, whatever an
// archive says of itself. Every reader of member data (the libarchive
// wrapper, the member text search) takes them from here.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessaly::archives {

// A member larger than this (uncompressed) is not read: "too large".
inline constexpr std::uint64_t kMaxMemberBytes = 256ull << 20;
// A member whose data expands more than kBombRatio times its compressed
// bytes, once past kBombFloor, is a bomb: "too large".
inline constexpr std::uint64_t kBombFloor = 16ull << 20;
inline constexpr std::uint64_t kBombRatio = 200;
// Member data read from one archive in all (nested archives count towards
// their outermost archive).
inline constexpr std::uint64_t kMaxArchiveBytes = 1ull << 30;
// Members of one archive whose text is tested; the rest count once as
// "too large".
inline constexpr std::uint64_t kMaxTestedMembers = 100000;
// Archives inside archives are opened to this depth (the outer archive is
// depth 1); deeper ones are members like any other.
inline constexpr int kMaxNesting = 3;
// How far into a program a self-extracting 7-Zip or RAR archive is looked for.
inline constexpr std::uint64_t kSfxSearchSpan = 8ull << 20;

}  // namespace tessaly::archives
