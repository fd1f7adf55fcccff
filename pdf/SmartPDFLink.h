// TSmartPDFLink: one PDF file opened for direct access.
//
// The link owns the open file, the reader over it, the encryption facts and
// decryption state (TSmartPDFInfo) and the document that answers the page
// operations. The file is opened read-only and stays open until the link is
// destroyed, so read-only files, files on read-only media and files that
// another program has open all open.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace tessaly::pdf {

class TSmartPDFDocument;
class TSmartPDFInfo;
class TSmartPDFReader;
class TSmartPDFSource;

class TSmartPDFLink {
 public:
  // Opens the file `fileName` read-only and sets the link up with
  // `password`. Valid() is false when the file does not exist or cannot be
  // read, has no version header in its first 1024 bytes, lacks "%%EOF",
  // the startxref number or "startxref" in its tail, has a cross-reference
  // section in its /Prev chain that cannot be read or no trailer, is
  // encrypted and the password passes neither password test (or another
  // security handler is used), or when any error is raised while opening.
  // Never throws.
  TSmartPDFLink(const std::string& fileName, std::string_view password);
  // The same over bytes the caller supplies (tests, fuzzing).
  TSmartPDFLink(std::unique_ptr<TSmartPDFSource> source, std::string_view password);
  ~TSmartPDFLink();
  TSmartPDFLink(const TSmartPDFLink&) = delete;
  TSmartPDFLink& operator=(const TSmartPDFLink&) = delete;

  bool Valid() const { return valid_; }
  const std::string& FileName() const { return fileName_; }
  // Present only while Valid().
  TSmartPDFReader* Reader() const { return reader_.get(); }
  TSmartPDFInfo* Info() const { return info_.get(); }
  TSmartPDFDocument* Document() const { return document_.get(); }
  TSmartPDFSource* Source() const { return source_.get(); }

 private:
  void Open(std::string_view password);

  std::string fileName_;
  bool valid_ = false;
  // Declared so that the document, the info and the reader go before the
  // file they read is closed.
  std::unique_ptr<TSmartPDFSource> source_;
  std::unique_ptr<TSmartPDFReader> reader_;
  std::unique_ptr<TSmartPDFInfo> info_;
  std::unique_ptr<TSmartPDFDocument> document_;
};

}  // namespace tessaly::pdf
