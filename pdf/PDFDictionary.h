// TPDFDictionary: a PDF dictionary; entries (name key, value) in insertion
// order with unique keys. Keys and values are referred to, not owned.
//
// Look-ups never fail: a missing key gives nullptr or the default, and a
// value of an unexpected class is treated like a missing one by the callers.
// Small dictionaries are scanned; larger ones keep a hash index of their
// keys, so a crafted dictionary of a million keys still parses in linear
// time.
//
// Text form: "<<" LF, then per entry the key text, a space and the value text
// followed by LF unless the text already ends with one, then ">>" LF. An entry
// that cannot be written (a missing key or value) writes "% bug \n" instead.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "pdf/PDFObject.h"

namespace tessaly::pdf {

class TPDFName;

class TPDFDictionary : public TPDFObject {
 public:
  // Index of the last entry whose key equals `key` byte for byte, or -1.
  std::int32_t IndexOf(std::string_view key) const;
  // Stores value under the store's SharedName(key), replacing the key and
  // value of an existing entry or appending one. Nothing happens when value
  // is this dictionary itself or nullptr.
  void SetValue(std::string_view key, TPDFObject* value);
  // The same with an existing name object as key. Nothing happens when key
  // or value is nullptr or value is this dictionary (a dictionary holding
  // itself would make every walk over it endless).
  void SetValue(TPDFName* key, TPDFObject* value);
  // The value under key, or nullptr; with resolve, a reference found is
  // replaced by its Resolve() (possibly nullptr).
  TPDFObject* GetValue(std::string_view key, bool resolve = false) const;
  // The /Type value when that entry (unresolved) is a name, else empty.
  std::string TypeName() const;
  // The integer view (TPDFNumeric::IntValue) of the value under key, a
  // reference being resolved; anything else gives def.
  std::int32_t GetInteger(std::string_view key, std::int32_t def) const;
  // Removes the last entry with that key; releases nothing.
  void RemoveKey(std::string_view key);
  // As RemoveKey, then releases the value when it is a dictionary or an
  // array, and the key name unless it is one of the well-known names.
  void DeleteKey(std::string_view key);
  // Empties the entries, then releases every former key and value.
  void ClearEntries();
  // Makes this dictionary's entries the same key and value objects as
  // source's when source is in the same store; otherwise parses source's
  // text with this dictionary's store and takes over the result's entries.
  void CopyEntries(const TPDFDictionary& source);

  std::int32_t Count() const { return static_cast<std::int32_t>(entries_.size()); }
  // Key and value of entry i; both nullptr when i is outside 0..Count-1.
  TPDFName* KeyAt(std::int32_t i) const;
  TPDFObject* ValueAt(std::int32_t i) const;

  void AppendText(std::string& out, int depth) const override;
  bool RefersTo(const TPDFObject* obj) const override;
  void DetachMembers(std::vector<TPDFObject*>& out) override;
  void RenumberAt(std::int32_t delta, int depth) override;

 private:
  friend class TPDFStructure;
  explicit TPDFDictionary(TPDFStructure& owner) : TPDFObject(owner) {}
  // Entry counts from which IndexOf uses the index.
  static constexpr std::size_t kIndexFrom = 16;
  void DropIndex() const;

  std::vector<std::pair<TPDFName*, TPDFObject*>> entries_;
  // Key value (viewing the key name's own text) -> index of its entry.
  mutable std::unordered_map<std::string_view, std::int32_t> index_;
  mutable bool indexed_ = false;
};

}  // namespace tessaly::pdf
