// The document's side of the standard security handler: reading /Encrypt
// and /ID from the trailer, the empty-password attempt after a load, and the
// decryption of one indirect object's strings and stream data.
#include <chrono>
#include <cstdio>

#include "pdf/PDFDocument.h"
#include "pdf/PDFDecryptTree.h"
#include "pdf/PDFEncryptDict.h"
#include "pdf/PDFMD5.h"
#include "pdf/uPDFStructure.h"

namespace tessaly::pdf {
namespace {

// The current time as a decimal number of days since 30 December 1899.
std::string NowAsDays() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const double seconds = std::chrono::duration<double>(now).count();
  char text[64];
  std::snprintf(text, sizeof text, "%.10f", 25569.0 + seconds / 86400.0);
  return text;
}

}  // namespace

void TPDFDocument::ReadEncryption() {
  encryptionRead_ = true;
  encryptPresent_ = false;
  TPDFSecurityParams params;
  TPDFObject* entry = trailer_ != nullptr ? trailer_->GetValue("Encrypt") : nullptr;
  if (entry != nullptr) {
    encryptPresent_ = true;
    params.state = kOtherEncrypted;
    if (auto* ref = PDFAs<TPDFIndRef>(entry)) entry = ref->Resolve();
    if (auto* dict = PDFAs<TPDFDictionary>(entry)) {
      if (ReadStandardSecurity(*dict, params)) {
        params.state = kStandardEncrypted;
        params.fileId = FileIdentifier();
      }
    }
  }
  security_ = TPDFSecurityHandler(std::move(params));
}

std::string TPDFDocument::FileIdentifier() {
  if (auto* ids = PDFAs<TPDFArray>(trailer_->GetValue("ID"))) {
    const auto* first = PDFAs<TPDFString>(ids->Items(0));
    return first != nullptr ? first->Value() : std::string();
  }
  // Without an /ID array the file gets a made-up identifier, so no password
  // opens it.
  const std::string made = MD5Digest(NowAsDays());
  trailer_->DeleteKey("ID");
  TPDFString* id = structure_.NewString(made, true);
  TPDFArray* array = structure_.NewArray();
  array->Add(id);
  array->Add(id);
  trailer_->SetValue("ID", array);
  return made;
}

int TPDFDocument::Encrypted() {
  if (!encryptionRead_) ReadEncryption();
  return security_.State();
}

int TPDFDocument::EncryptionStrength() {
  if (!encryptionRead_) ReadEncryption();
  return security_.Params().strength;
}

const TPDFSecurityHandler& TPDFDocument::Security() {
  if (!encryptionRead_) ReadEncryption();
  return security_;
}

bool TPDFDocument::TryPassword(std::string_view password) {
  if (!encryptionRead_) ReadEncryption();
  return security_.TryPassword(password);
}

const std::optional<std::string>& TPDFDocument::AcceptedPassword() {
  if (!encryptionRead_) ReadEncryption();
  return security_.AcceptedPassword();
}

bool TPDFDocument::CanDecrypt() {
  if (!encryptionRead_) ReadEncryption();
  return security_.CanDecrypt();
}

void TPDFDocument::DecryptObject(TPDFIndObj& entry) {
  TPDFObject* body = entry.LoadObject();
  if (entry.Decrypted || !CanDecrypt()) return;
  entry.Decrypted = true;
  DecryptObjectTree(body, security_.ObjectCipher(entry.ObjNum, entry.GenNum));
}

}  // namespace tessaly::pdf
