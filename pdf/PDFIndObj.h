// TPDFIndObj: one indirect object of a loaded document, found through the
// cross-reference data and parsed from the file text on first use.
#pragma once

#include <cstdint>
#include <string_view>

namespace tessaly::pdf {

class TPDFDocument;
class TPDFObject;

class TPDFIndObj {
 public:
  explicit TPDFIndObj(TPDFDocument& document) : document_(&document) {}

  std::int32_t ObjNum = 0;
  std::int32_t GenNum = 0;
  std::int64_t Offset = 0;  // byte offset of the object in the file text
  std::int64_t Extent = 0;  // bytes from Offset to the next object's offset
  bool Compressed = false;  // held in an object stream
  std::int32_t StreamObjNum = 0;
  std::int32_t StreamIndex = 0;
  bool Parsed = false;
  TPDFObject* Body = nullptr;  // in the document's store once parsed
  bool Decrypted = false;

  // The body, parsed on first use. An object whose text does not start with
  // its own numbers and "obj" reads as a null object. Gives nullptr only
  // while the same object is being parsed (a reference cycle through
  // /Length or an object stream) or when loads nest deeper than the
  // document allows.
  TPDFObject* LoadObject();
  // True when `text` (an object's text from its offset) starts, after any
  // bytes that are not digits, with the numbers objNum and genNum and the
  // keyword "obj": what LoadObject needs to read a body.
  static bool HeaderMatches(std::string_view text, std::int32_t objNum, std::int32_t genNum);

 private:
  TPDFDocument* document_;
};

}  // namespace tessaly::pdf
