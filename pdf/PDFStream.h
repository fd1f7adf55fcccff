// TPDFStream: a PDF stream; a dictionary made in the same store plus raw data.
//
// DecodedStream undoes the filters named by the dictionary on every read
// (nothing is cached): FlateDecode (with PNG predictors), ASCII85Decode and
// LZWDecode; other filter names are passed over; undecodable data, or output
// beyond kMaxDecodedStreamSize, gives an empty result.
//
// Text form: the dictionary's text, "stream", LF, the raw data, LF,
// "endstream".
#pragma once

#include <string>

#include "pdf/PDFObject.h"

namespace tessaly::pdf {

class TPDFDictionary;

class TPDFStream : public TPDFObject {
 public:
  // Never nullptr.
  TPDFDictionary* Dictionary() const { return dictionary_; }
  // Replaces the dictionary (a null pointer is ignored) and releases the old.
  void SetDictionary(TPDFDictionary* dictionary);
  // The raw (still encoded) data.
  const std::string& Stream() const { return data_; }
  // Replaces the raw data and keeps /Length in step: a direct number under
  // /Length gets the new length, otherwise a new number is put there.
  void SetStream(std::string data);
  // The data with the dictionary's filters undone.
  std::string DecodedStream() const;

  void AppendText(std::string& out, int depth) const override;
  bool RefersTo(const TPDFObject* obj) const override;
  void DetachMembers(std::vector<TPDFObject*>& out) override;
  void RenumberAt(std::int32_t delta, int depth) override;

 private:
  friend class TPDFStructure;
  // Makes the dictionary through the store, so it is pooled too.
  explicit TPDFStream(TPDFStructure& owner);
  TPDFDictionary* dictionary_ = nullptr;
  std::string data_;
};

}  // namespace tessaly::pdf
