// TPDFStructure: the object store of the PDF component.
//
// The store makes every object (factory operations and ParseObject), keeps it
// in its pool and frees it: objects never exist outside a pool and nothing
// else deletes them. The pool keeps spare slots at its end, grown 1000 at a
// time, so registering objects while parsing a whole file does not
// reallocate per object. Clearing or destroying the store frees every object;
// pointers into it are then dangling.
//
// Releasing costs constant time per object: each object knows its slot and
// how many containers hold it, a freed slot is left empty, and the empty
// slots are squeezed out (keeping the order of the rest) once they are half
// the pool or when slots are read by index.
//
// References are resolved through OnIndObjLookup, which the owning document
// answers. A store and its objects are used by one thread at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/PDFObject.h"

namespace tessaly::pdf {

class TPDFNull;
class TPDFBoolean;
class TPDFNumeric;
class TPDFString;
class TPDFName;
class TPDFArray;
class TPDFDictionary;
class TPDFStream;
class TPDFIndRef;

// Asked to resolve a reference: sender is the reference being resolved; the
// handler sets obj or leaves it nullptr.
using TIndObjLookupEvent = std::function<void(TPDFIndRef* sender, std::int32_t objNum,
                                              std::int32_t genNum, TPDFObject*& obj)>;
// Asked to make obj an indirect object and return its numbers (writing
// features only; nothing in the reading path raises it).
using TNewIndObjEvent = std::function<void(TPDFObject* sender, std::int32_t& objNum,
                                           std::int32_t& genNum, TPDFObject* obj)>;

class TPDFStructure {
 public:
  // Spare pool slots added at a time, and the low-water mark that triggers it.
  static constexpr std::int32_t kPoolGrowth = 1000;
  static constexpr std::int32_t kPoolLowWater = 100;
  // At most this many objects live in one store. Each costs about 100 bytes,
  // so the cap keeps a crafted file from taking more than a few GiB; real
  // documents stay far below it. Past it the factories throw
  // TPDFObjectLimitError and the parser yields nothing.
  static constexpr std::int32_t kMaxObjects = 20'000'000;

  TPDFStructure();
  ~TPDFStructure();
  TPDFStructure(const TPDFStructure&) = delete;
  TPDFStructure& operator=(const TPDFStructure&) = delete;

  // Restores NumberDecimals to 4, frees every pooled object, empties the pool.
  void Clear();
  // Number of pooled objects.
  std::int32_t ObjectCount() const { return end_ - holes_; }
  // Pool slot i (0-based over the whole pool, spare slots included; a spare
  // slot gives nullptr), or nullptr when i is outside the pool. Slots of
  // freed objects are squeezed out first, so objects keep the order in which
  // they were made.
  TPDFObject* GetObject(std::int32_t i) const;

  // Frees obj alone. Nothing happens when obj is not pooled here, is a shared
  // name, or is held by any container (Holders). Later slots move down.
  void ReleaseObject(TPDFObject* obj);
  // True when ReleaseObject(obj) would free obj.
  bool Releasable(const TPDFObject* obj) const;

  // Factory operations: each makes, registers and returns a new object.
  TPDFNull* NewNull();
  TPDFBoolean* NewBoolean(bool value);
  TPDFNumeric* NewNumeric(double value);
  TPDFName* NewName(std::string value);
  TPDFString* NewString(std::string value, bool hexForm);
  TPDFArray* NewArray();
  TPDFDictionary* NewDictionary();
  TPDFIndRef* NewIndRef(std::int32_t objNum, std::int32_t genNum);
  // A stream holding data; its dictionary gets /Length = data's length.
  TPDFStream* NewStream(std::string data);
  // Arrays filled with the given objects, or with a new number per value.
  TPDFArray* NewArray(std::span<TPDFObject* const> items);
  TPDFArray* NewIntegerArray(std::span<const std::int32_t> values);
  TPDFArray* NewRealArray(std::span<const double> values);

  // The name object to use as a dictionary key, marked Shared. For the
  // well-known names (IsWellKnownName) the first pooled name with that value
  // is reused; otherwise a new name is made.
  TPDFName* SharedName(std::string_view value);
  static bool IsWellKnownName(std::string_view value);

  // Reads one object from the start of text (whatever follows is ignored);
  // nullptr for an empty text or one that does not start with an object.
  // Never throws for malformed input; everything it makes stays pooled.
  TPDFObject* ParseObject(std::string_view text);

  // Decimals kept when a number writes itself (default 4).
  std::int32_t NumberDecimals() const { return numberDecimals_; }
  void SetNumberDecimals(std::int32_t decimals) { numberDecimals_ = decimals; }

  TIndObjLookupEvent OnIndObjLookup;
  TNewIndObjEvent OnNewIndObj;

 private:
  // Puts obj (just made with new) into the first spare slot, growing the
  // pool when fewer than kPoolLowWater spare slots remain. Throws
  // TPDFObjectLimitError (after freeing obj) when the store is full.
  template <class T>
  T* RegisterObject(T* obj);
  void NoteName(TPDFName* name);
  void ForgetName(const TPDFName* name);
  // Slot of obj when it is pooled here, or -1.
  std::int32_t FindSlot(const TPDFObject* obj) const;
  void EnsureRoom(std::int32_t count) const;
  // Moves the objects after empty slots down, keeping their order.
  void Compact() const;

  // Once this many slots (and half the pool) are empty, they are squeezed out.
  static constexpr std::int32_t kCompactFrom = 1024;

  // Slots 0 to end_ - 1 are in use, holes_ of them empty; pool_ holds
  // spareSlots_ more after them.
  mutable std::int32_t spareSlots_ = 0;
  mutable std::int32_t end_ = 0;
  mutable std::int32_t holes_ = 0;
  mutable std::vector<std::unique_ptr<TPDFObject>> pool_;
  std::int32_t numberDecimals_ = 4;
  // First pooled name per well-known value, so SharedName does not scan.
  // When that name is freed the entry becomes null and stale: the next
  // SharedName of the value looks for the first remaining one.
  std::vector<TPDFName*> wellKnown_;
  std::vector<bool> wellKnownStale_;
};

// Thrown by the factory operations when a store already holds kMaxObjects.
class TPDFObjectLimitError : public std::length_error {
 public:
  TPDFObjectLimitError() : std::length_error("Too many PDF objects") {}
};

}  // namespace tessaly::pdf
