// TPDFDocument: a PDF file loaded whole into memory — header version,
// trailer, an index of its indirect objects (parsed on first use, including
// members of object streams) and its standard-security state.
//
// A file whose cross-reference data is missing, cannot be read, gives no
// catalog or lists offsets where its objects are not is read through an
// index rebuilt by one scan of the file for object headers and trailers;
// nothing tells a rebuilt document from another. A document is used by one
// thread at a time.
#pragma once

#include <cstdint>
#include <istream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "pdf/PDFIndObj.h"
#include "pdf/PDFSecurity.h"
#include "pdf/PDFStopCheck.h"
#include "pdf/PDFStructure.h"

namespace tessaly::pdf {

class TPDFDictionary;
class TPDFXRefReader;

class TPDFDocument {
 public:
  // The header is looked for in this many leading bytes.
  static constexpr std::size_t kHeaderWindow = 1024;
  // Loads of one object that wait on another (a /Length reference, the
  // object stream of a compressed object, a filter given by reference) nest
  // at most this deep; a deeper load gives nothing, so crafted chains cannot
  // exhaust the stack.
  static constexpr int kMaxLoadDepth = 64;
  // More cross-reference entries than this fail the load: no real document
  // has them, and each costs memory (about 150 bytes with its index entry).
  // Below the cap a file may list 65,536 objects plus one per four of its
  // bytes; a compressed cross-reference stream of a few bytes could
  // otherwise claim millions of objects.
  static constexpr std::size_t kMaxIndexEntries = 4'000'000;
  static constexpr std::size_t kIndexEntriesFree = 65'536;
  // Object-stream headers longer than this are not read (the member reads
  // as null): real headers hold some thousand number pairs, and a decoded
  // header of hundreds of megabytes would become millions of objects.
  static constexpr std::size_t kMaxObjStmHeader = 2u * 1024u * 1024u;
  // A rebuild parses at most this many of the last trailers and
  // cross-reference stream dictionaries of the file looking for a catalog.
  static constexpr std::size_t kMaxTrailerCandidates = 16;
  // The object streams a rebuild found are decoded to index their members
  // until this many bytes were decoded in all.
  static constexpr std::uint64_t kMaxIndexedObjectStreamBytes = 256u << 20;

  TPDFDocument();
  ~TPDFDocument();
  TPDFDocument(const TPDFDocument&) = delete;
  TPDFDocument& operator=(const TPDFDocument&) = delete;

  // Reads the file's bytes and loads them. True when the document was read;
  // on false the document is empty again. Never throws. In every case the
  // empty password is tried at the end.
  bool Load(std::string fileText);
  bool Load(std::istream& stream);
  // Asked while a rebuild scans the file and while object streams are
  // indexed; true ends the load as failed.
  void SetStopCheck(TPDFStopCheck check) { stopCheck_ = std::move(check); }
  // Back to the empty state: store cleared, a new empty trailer, no entries,
  // no index, no file text, encryption state cleared.
  void Reset();

  const std::string& FileText() const { return fileText_; }
  const std::string& Version() const { return version_; }
  // True when the index was rebuilt by scanning the file (for tests and
  // diagnostics; nothing is shown for it).
  bool Rebuilt() const { return rebuilt_; }
  TPDFStructure& Structure() { return structure_; }
  TPDFDictionary* Trailer() const { return trailer_; }

  // The first index entry with both numbers, or nullptr.
  TPDFIndObj* FindIndObj(std::int32_t objNum, std::int32_t genNum) const;
  // The index, in file-offset order (objects added later at its end).
  const std::vector<std::unique_ptr<TPDFIndObj>>& ObjectIndex() const { return index_; }
  // Makes `body` a new indirect object with the next free number and
  // generation 0, already parsed; returns its entry.
  TPDFIndObj& AddIndirectObject(TPDFObject* body);

  // Encryption state (read on first use after a load): kNotEncrypted,
  // kStandardEncrypted or kOtherEncrypted.
  int Encrypted();
  // Key strength in bits: 40, the /Length value, or 0.
  int EncryptionStrength();
  // Sets the accepted password and file key when the password passes the
  // user or owner test.
  bool TryPassword(std::string_view password);
  const std::optional<std::string>& AcceptedPassword();
  // True when the supported handler is in use and a password was accepted.
  bool CanDecrypt();
  const TPDFSecurityHandler& Security();
  // Loads the entry's body and, the first time, decrypts its strings and
  // stream data with the object's key. Does nothing for a document that
  // cannot decrypt.
  void DecryptObject(TPDFIndObj& entry);

  // The information dictionary: the object the trailer's /Info refers to,
  // or nullptr when that object is missing or not a dictionary. When /Info
  // is absent or not a reference, a new empty dictionary becomes /Info.
  TPDFDictionary* InfoDictionary();
  // A document-information field as UTF-8 text; empty when the document has
  // none, when the field is not a string or stream, or when an encrypted
  // document's password was not accepted. Decrypts the information object
  // first when needed.
  std::string ReadInfoField(std::string_view key);

 private:
  friend class TPDFIndObj;

  bool StopRequested() const { return stopCheck_ && stopCheck_(); }

  bool CheckHeader();
  bool ReadCrossReference();
  void ClearIndex();
  // Reads the sections from startxref with offsets counted from `base`;
  // the index is built from what was read. False when a section failed.
  bool ReadSections(std::size_t base);
  // True when the trailer names a catalog and every object of the index
  // starts where its entry says.
  bool IndexIsSound() const;
  // Builds the index and the trailer from a scan of the whole file; false
  // when no catalog was found.
  bool Rebuild();
  void IndexObjectStreams();
  void BuildIndex();
  void RecordEntry(std::int64_t number, std::int64_t value, char type, std::int64_t extra);
  void KeepTrailer(const std::string& text);
  void ReadEncryption();
  std::string FileIdentifier();

  struct Record {
    std::int32_t objNum;
    std::int32_t genNum;
    std::int64_t offset;
    bool compressed;
    std::int32_t streamObjNum;
    std::int32_t streamIndex;
  };

  std::string fileText_;
  TPDFStopCheck stopCheck_;
  std::string version_;
  std::size_t headerOffset_ = 0;  // where "%PDF-" starts
  bool rebuilt_ = false;
  // Object streams (number, generation) found by a rebuild whose members
  // are not yet in the index.
  std::vector<std::pair<std::int32_t, std::int32_t>> pendingObjectStreams_;
  TPDFStructure structure_;
  TPDFDictionary* trailer_ = nullptr;
  bool trailerKept_ = false;
  std::vector<Record> records_;
  std::unordered_set<std::int32_t> seen_;
  std::vector<std::unique_ptr<TPDFIndObj>> index_;
  std::unordered_map<std::uint64_t, TPDFIndObj*> byNumber_;
  int loadDepth_ = 0;

  bool encryptPresent_ = false;
  bool encryptionRead_ = false;
  TPDFSecurityHandler security_;
};

}  // namespace tessaly::pdf
