// TPDFStructure: the object pool, the factories, shared names and the entry
// point of the object parser.
#include "pdf/PDFStructure.h"

#include <algorithm>
#include <array>

#include "pdf/PDFArray.h"
#include "pdf/PDFBoolean.h"
#include "pdf/PDFDictionary.h"
#include "pdf/PDFIndRef.h"
#include "pdf/PDFName.h"
#include "pdf/PDFNull.h"
#include "pdf/PDFNumeric.h"
#include "pdf/PDFParser.h"
#include "pdf/PDFStream.h"
#include "pdf/PDFString.h"

namespace tessaly::pdf {
namespace {

// Names that many dictionaries use as keys or values; SharedName hands out
// one object for each of them.
constexpr std::array<std::string_view, 30> kWellKnownNames = {
    "MediaBox", "Length",    "CropBox",  "Type",     "Subtype",         "Name",
    "Pages",    "Page",      "Parent",   "Font",     "Contents",        "BaseFont",
    "PDF",      "Text",      "ImageB",   "ImageC",   "ImageI",          "Resources",
    "ProcSet",  "ExtGState", "Type1",    "TrueType", "WinAnsiEncoding", "Filter",
    "FlateDecode", "Annot",  "URI",      "Goto",     "XYZ",             "Zefo"};

int WellKnownIndex(std::string_view value) {
  for (std::size_t i = 0; i < kWellKnownNames.size(); ++i) {
    if (kWellKnownNames[i] == value) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

TPDFStructure::TPDFStructure()
    : wellKnown_(kWellKnownNames.size(), nullptr), wellKnownStale_(kWellKnownNames.size(), false) {
  Clear();
}

TPDFStructure::~TPDFStructure() = default;

void TPDFStructure::Clear() {
  numberDecimals_ = 4;
  // Objects hold no owning pointers to each other, so the order of freeing
  // does not matter.
  pool_.clear();
  end_ = 0;
  holes_ = 0;
  spareSlots_ = 0;
  std::fill(wellKnown_.begin(), wellKnown_.end(), nullptr);
  std::fill(wellKnownStale_.begin(), wellKnownStale_.end(), false);
}

void TPDFStructure::Compact() const {
  if (holes_ == 0) return;
  std::int32_t to = 0;
  for (std::int32_t from = 0; from < end_; ++from) {
    auto& cell = pool_[static_cast<std::size_t>(from)];
    if (!cell) continue;
    cell->slot_ = to;
    if (from != to) pool_[static_cast<std::size_t>(to)] = std::move(cell);
    ++to;
  }
  spareSlots_ += holes_;
  end_ = to;
  holes_ = 0;
}

TPDFObject* TPDFStructure::GetObject(std::int32_t i) const {
  Compact();
  if (i < 0 || static_cast<std::size_t>(i) >= pool_.size()) return nullptr;
  return pool_[static_cast<std::size_t>(i)].get();
}

std::int32_t TPDFStructure::FindSlot(const TPDFObject* obj) const {
  if (!obj || &obj->Owner() != this) return -1;
  const std::int32_t slot = obj->slot_;
  if (slot < 0 || slot >= end_ || pool_[static_cast<std::size_t>(slot)].get() != obj) return -1;
  return slot;
}

bool TPDFStructure::Releasable(const TPDFObject* obj) const {
  if (FindSlot(obj) < 0) return false;
  if (const auto* name = PDFAs<TPDFName>(obj); name && name->Shared()) return false;
  return obj->Holders() == 0;
}

void TPDFStructure::ReleaseObject(TPDFObject* obj) {
  if (!Releasable(obj)) return;
  const std::int32_t slot = FindSlot(obj);
  if (const auto* name = PDFAs<TPDFName>(obj)) ForgetName(name);
  pool_[static_cast<std::size_t>(slot)].reset();
  if (slot == end_ - 1) {
    // The last slot becomes a spare one at once.
    --end_;
    ++spareSlots_;
  } else {
    ++holes_;
  }
  if (holes_ >= kCompactFrom && holes_ * 2 >= end_) Compact();
}

void TPDFStructure::EnsureRoom(std::int32_t count) const {
  if (ObjectCount() > kMaxObjects - count) throw TPDFObjectLimitError();
}

template <class T>
T* TPDFStructure::RegisterObject(T* obj) {
  std::unique_ptr<TPDFObject> owned(obj);
  EnsureRoom(1);
  if (spareSlots_ < kPoolLowWater) {
    pool_.resize(pool_.size() + static_cast<std::size_t>(kPoolGrowth - spareSlots_));
    spareSlots_ = kPoolGrowth;
  }
  obj->slot_ = end_;
  pool_[static_cast<std::size_t>(end_)] = std::move(owned);
  ++end_;
  --spareSlots_;
  return obj;
}

void TPDFStructure::NoteName(TPDFName* name) {
  const int k = WellKnownIndex(name->Value());
  const auto i = static_cast<std::size_t>(k);
  if (k >= 0 && !wellKnown_[i] && !wellKnownStale_[i]) wellKnown_[i] = name;
}

void TPDFStructure::ForgetName(const TPDFName* name) {
  const int k = WellKnownIndex(name->Value());
  if (k < 0 || wellKnown_[static_cast<std::size_t>(k)] != name) return;
  // Looking for the next name of that value waits until one is asked for:
  // freeing a tree of such names must not scan the store for each.
  wellKnown_[static_cast<std::size_t>(k)] = nullptr;
  wellKnownStale_[static_cast<std::size_t>(k)] = true;
}

TPDFNull* TPDFStructure::NewNull() {
  EnsureRoom(1);
  return RegisterObject(new TPDFNull(*this));
}

TPDFBoolean* TPDFStructure::NewBoolean(bool value) {
  EnsureRoom(1);
  return RegisterObject(new TPDFBoolean(*this, value));
}

TPDFNumeric* TPDFStructure::NewNumeric(double value) {
  EnsureRoom(1);
  return RegisterObject(new TPDFNumeric(*this, value));
}

TPDFName* TPDFStructure::NewName(std::string value) {
  EnsureRoom(1);
  TPDFName* name = RegisterObject(new TPDFName(*this, std::move(value)));
  NoteName(name);
  return name;
}

TPDFString* TPDFStructure::NewString(std::string value, bool hexForm) {
  EnsureRoom(1);
  return RegisterObject(new TPDFString(*this, std::move(value), hexForm));
}

TPDFArray* TPDFStructure::NewArray() {
  EnsureRoom(1);
  return RegisterObject(new TPDFArray(*this));
}

TPDFDictionary* TPDFStructure::NewDictionary() {
  EnsureRoom(1);
  return RegisterObject(new TPDFDictionary(*this));
}

TPDFIndRef* TPDFStructure::NewIndRef(std::int32_t objNum, std::int32_t genNum) {
  EnsureRoom(1);
  return RegisterObject(new TPDFIndRef(*this, objNum, genNum));
}

TPDFStream* TPDFStructure::NewStream(std::string data) {
  // The stream, its dictionary, the /Length number and possibly its key.
  EnsureRoom(4);
  TPDFStream* stream = RegisterObject(new TPDFStream(*this));
  stream->SetStream(std::move(data));
  return stream;
}

TPDFArray* TPDFStructure::NewArray(std::span<TPDFObject* const> items) {
  TPDFArray* array = NewArray();
  array->items_.reserve(items.size());
  for (TPDFObject* item : items) array->Add(item);
  return array;
}

TPDFArray* TPDFStructure::NewIntegerArray(std::span<const std::int32_t> values) {
  EnsureRoom(static_cast<std::int32_t>(std::min<std::size_t>(values.size(), kMaxObjects)) + 1);
  TPDFArray* array = NewArray();
  array->items_.reserve(values.size());
  for (std::int32_t v : values) array->Add(NewNumeric(v));
  return array;
}

TPDFArray* TPDFStructure::NewRealArray(std::span<const double> values) {
  EnsureRoom(static_cast<std::int32_t>(std::min<std::size_t>(values.size(), kMaxObjects)) + 1);
  TPDFArray* array = NewArray();
  array->items_.reserve(values.size());
  for (double v : values) array->Add(NewNumeric(v));
  return array;
}

bool TPDFStructure::IsWellKnownName(std::string_view value) { return WellKnownIndex(value) >= 0; }

TPDFName* TPDFStructure::SharedName(std::string_view value) {
  const int k = WellKnownIndex(value);
  if (k >= 0 && wellKnownStale_[static_cast<std::size_t>(k)]) {
    // The first name of that value was freed: find the first remaining one.
    // A shared name is never freed, so this happens once per value.
    wellKnownStale_[static_cast<std::size_t>(k)] = false;
    for (std::int32_t i = 0; i < end_; ++i) {
      auto* other = PDFAs<TPDFName>(pool_[static_cast<std::size_t>(i)].get());
      if (other && other->Value() == value) {
        wellKnown_[static_cast<std::size_t>(k)] = other;
        break;
      }
    }
  }
  TPDFName* name = k >= 0 ? wellKnown_[static_cast<std::size_t>(k)] : nullptr;
  if (!name) name = NewName(std::string(value));
  name->shared_ = true;
  return name;
}

TPDFObject* TPDFStructure::ParseObject(std::string_view text) {
  if (text.empty()) return nullptr;
  TPDFParser parser(*this, text);
  return parser.ParseObject();
}

}  // namespace tessaly::pdf
