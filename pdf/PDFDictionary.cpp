// TPDFDictionary: keyed look-ups, entry editing, copying and text form.
#include "pdf/PDFDictionary.h"

#include <stdexcept>

#include "pdf/PDFArray.h"
#include "pdf/PDFIndRef.h"
#include "pdf/PDFName.h"
#include "pdf/PDFNumeric.h"
#include "pdf/PDFStructure.h"

namespace tessaly::pdf {

std::int32_t TPDFDictionary::IndexOf(std::string_view key) const {
  if (entries_.size() < kIndexFrom) {
    for (std::size_t i = entries_.size(); i-- > 0;) {
      if (entries_[i].first && entries_[i].first->Value() == key) return static_cast<std::int32_t>(i);
    }
    return -1;
  }
  if (!indexed_) {
    // Later entries overwrite earlier ones: the index holds the last.
    index_.clear();
    index_.reserve(entries_.size());
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      if (entries_[i].first) index_[entries_[i].first->Value()] = static_cast<std::int32_t>(i);
    }
    indexed_ = true;
  }
  const auto it = index_.find(key);
  return it == index_.end() ? -1 : it->second;
}

void TPDFDictionary::DropIndex() const {
  index_.clear();
  indexed_ = false;
}

void TPDFDictionary::SetValue(std::string_view key, TPDFObject* value) {
  if (!value || value == this) return;
  SetValue(Owner().SharedName(key), value);
}

void TPDFDictionary::SetValue(TPDFName* key, TPDFObject* value) {
  if (!key || !value || value == this) return;
  const std::int32_t i = IndexOf(key->Value());
  Hold(key);
  Hold(value);
  if (i >= 0) {
    auto& entry = entries_[static_cast<std::size_t>(i)];
    if (indexed_ && entry.first != key) {
      // The index views the key's text: move it to the new key object.
      index_.erase(entry.first->Value());
      index_[key->Value()] = i;
    }
    Drop(entry.first);
    Drop(entry.second);
    entry = {key, value};
  } else {
    entries_.emplace_back(key, value);
    if (indexed_) index_[key->Value()] = static_cast<std::int32_t>(entries_.size() - 1);
  }
}

TPDFObject* TPDFDictionary::GetValue(std::string_view key, bool resolve) const {
  const std::int32_t i = IndexOf(key);
  if (i < 0) return nullptr;
  TPDFObject* value = entries_[static_cast<std::size_t>(i)].second;
  if (resolve) {
    if (auto* ref = PDFAs<TPDFIndRef>(value)) return ref->Resolve();
  }
  return value;
}

std::string TPDFDictionary::TypeName() const {
  if (const auto* name = PDFAs<TPDFName>(GetValue("Type", false))) return name->Value();
  return {};
}

std::int32_t TPDFDictionary::GetInteger(std::string_view key, std::int32_t def) const {
  TPDFObject* value = GetValue(key, true);
  if (const auto* number = PDFAs<TPDFNumeric>(value)) return number->IntValue();
  return def;
}

void TPDFDictionary::RemoveKey(std::string_view key) {
  const std::int32_t i = IndexOf(key);
  if (i < 0) return;
  Drop(entries_[static_cast<std::size_t>(i)].first);
  Drop(entries_[static_cast<std::size_t>(i)].second);
  entries_.erase(entries_.begin() + i);
  DropIndex();
}

void TPDFDictionary::DeleteKey(std::string_view key) {
  const std::int32_t i = IndexOf(key);
  if (i < 0) return;
  auto [name, value] = entries_[static_cast<std::size_t>(i)];
  // The entry leaves first, so this dictionary no longer holds what is
  // released below.
  entries_.erase(entries_.begin() + i);
  DropIndex();
  Drop(name);
  Drop(value);
  if (PDFAs<TPDFDictionary>(value) || PDFAs<TPDFArray>(value)) value->Release();
  if (name && !TPDFStructure::IsWellKnownName(name->Value())) name->Release();
}

void TPDFDictionary::ClearEntries() {
  std::vector<std::pair<TPDFName*, TPDFObject*>> old;
  old.swap(entries_);
  DropIndex();
  for (auto& [name, value] : old) {
    Drop(name);
    Drop(value);
  }
  for (auto& [name, value] : old) {
    if (name) name->Release();
    if (value) value->Release();
  }
}

void TPDFDictionary::CopyEntries(const TPDFDictionary& source) {
  if (&source == this) return;
  if (&source.Owner() == &Owner()) {
    for (auto& [name, value] : entries_) {
      Drop(name);
      Drop(value);
    }
    entries_ = source.entries_;
    for (auto& [name, value] : entries_) {
      Hold(name);
      Hold(value);
    }
    DropIndex();
    return;
  }
  TPDFStructure& store = Owner();
  if (auto* parsed = PDFAs<TPDFDictionary>(store.ParseObject(source.AsText()))) {
    for (auto& [name, value] : entries_) {
      Drop(name);
      Drop(value);
    }
    // The entries pass from the parsed shell to this dictionary with their
    // holder counts.
    entries_ = parsed->entries_;
    DropIndex();
    // The parsed shell is not needed once its entries are taken over.
    parsed->entries_.clear();
    parsed->DropIndex();
    store.ReleaseObject(parsed);
  }
}

TPDFName* TPDFDictionary::KeyAt(std::int32_t i) const {
  if (i < 0 || i >= Count()) return nullptr;
  return entries_[static_cast<std::size_t>(i)].first;
}

TPDFObject* TPDFDictionary::ValueAt(std::int32_t i) const {
  if (i < 0 || i >= Count()) return nullptr;
  return entries_[static_cast<std::size_t>(i)].second;
}

void TPDFDictionary::AppendText(std::string& out, int depth) const {
  if (depth >= kMaxNestingDepth) {
    out += "null";
    return;
  }
  out += "<<\n";
  for (const auto& [name, value] : entries_) {
    const std::size_t entryStart = out.size();
    try {
      if (!name || !value) throw std::invalid_argument("incomplete entry");
      name->AppendText(out, depth + 1);
      out += ' ';
      value->AppendText(out, depth + 1);
      if (out.back() != '\n') out += '\n';
    } catch (const std::exception&) {
      out.resize(entryStart);
      out += "% bug \n";
    }
  }
  out += ">>\n";
}

bool TPDFDictionary::RefersTo(const TPDFObject* obj) const {
  if (!obj) return false;
  for (const auto& [name, value] : entries_) {
    if (name == obj || value == obj) return true;
  }
  return false;
}

void TPDFDictionary::DetachMembers(std::vector<TPDFObject*>& out) {
  for (auto& [name, value] : entries_) {
    Drop(name);
    Drop(value);
    if (name) out.push_back(name);
    if (value) out.push_back(value);
  }
  entries_.clear();
  DropIndex();
}

void TPDFDictionary::RenumberAt(std::int32_t delta, int depth) {
  if (depth >= kMaxNestingDepth) return;
  for (auto& entry : entries_) {
    if (entry.second) entry.second->RenumberAt(delta, depth + 1);
  }
}

}  // namespace tessaly::pdf
