// TSmartPDFInfo: the encryption dictionary, state and parameters of a
// direct-access link, and the password decision at open.
#include "pdf/SmartPDFInfo.h"

#include "pdf/PDFEncryptDict.h"
#include "pdf/SmartPDFReader.h"
#include "pdf/uPDFStructure.h"

namespace tessaly::pdf {

namespace {

// The first string of the /ID array of the newest trailer that has one.
std::string FirstIdString(const TSmartPDFReader& reader) {
  for (const TPDFDictionary* trailer : reader.Trailers()) {
    if (trailer->IndexOf("ID") < 0) continue;
    const auto* id = PDFAs<TPDFArray>(trailer->GetValue("ID"));
    const auto* first = id ? PDFAs<TPDFString>(id->Items(0)) : nullptr;
    return first ? first->Value() : std::string();
  }
  return {};
}

}  // namespace

TSmartPDFInfo::TSmartPDFInfo(TSmartPDFReader& reader) : version_(reader.Version()) {
  TPDFSecurityParams params;
  encrypt_ = reader.TrailerDictionary("Encrypt");
  if (encrypt_ != nullptr) {
    const TPDFNumeric* v = PDFAs<TPDFNumeric>(encrypt_->GetValue("V"));
    params.state = v != nullptr && v->Int64Value() != 0 ? kStandardEncrypted : kOtherEncrypted;
    accepted_ = ReadStandardSecurity(*encrypt_, params);
    // With state 1 and parameters not accepted (a public-key handler, an
    // unknown crypt filter), revision and version stay 0, so every password
    // test fails.
  }
  params.fileId = FirstIdString(reader);
  crypt_ = std::make_unique<TSmartPDFCrypt>(std::move(params));
  reader.SetCrypt(crypt_.get());
}

TSmartPDFInfo::~TSmartPDFInfo() = default;

bool TSmartPDFInfo::EmptyPasswordOpens() {
  if (EncryptionState() == kNotEncrypted) return true;
  if (EncryptionState() != kStandardEncrypted) return false;
  return crypt_->UserPasswordTest("") || crypt_->OwnerPasswordTest("");
}

bool TSmartPDFInfo::AcceptPassword(std::string_view password) {
  const int state = EncryptionState();
  bool passes = false;
  if (state == kNotEncrypted) {
    passes = true;
  } else if (state == kStandardEncrypted) {
    passes = crypt_->UserPasswordTest(password) || crypt_->OwnerPasswordTest(password);
  }
  if (!passes) return false;
  password_ = std::string(password);
  crypt_->TryPassword(password);
  return true;
}

}  // namespace tessaly::pdf
