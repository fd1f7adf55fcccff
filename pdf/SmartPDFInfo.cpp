// TSmartPDFInfo: the encryption dictionary, state and parameters of a
// direct-access link, and the password decision at open.
#include "pdf/SmartPDFInfo.h"

#include "pdf/SmartPDFReader.h"
#include "pdf/uPDFStructure.h"

namespace tessaly::pdf {

namespace {

// The number under key (direct), or nothing.
const TPDFNumeric* NumberFor(const TPDFDictionary* d, std::string_view key) {
  return PDFAs<TPDFNumeric>(d->GetValue(key));
}

std::string StringFor(const TPDFDictionary* d, std::string_view key) {
  const auto* s = PDFAs<TPDFString>(d->GetValue(key));
  return s ? s->Value() : std::string();
}

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
    const auto* filter = PDFAs<TPDFName>(encrypt_->GetValue("Filter"));
    const TPDFNumeric* v = NumberFor(encrypt_, "V");
    const TPDFNumeric* r = NumberFor(encrypt_, "R");
    const TPDFNumeric* length = NumberFor(encrypt_, "Length");
    const TPDFNumeric* p = NumberFor(encrypt_, "P");
    const std::int64_t vv = v ? v->Int64Value() : 0;
    const std::int64_t rv = r ? r->Int64Value() : 0;
    params.state = vv != 0 ? kStandardEncrypted : kOtherEncrypted;
    accepted_ = filter != nullptr && filter->Value() == "Standard" && (vv == 1 || vv == 2) &&
                (rv == 2 || rv == 3);
    if (accepted_) {
      params.handlerVersion = static_cast<std::int32_t>(vv);
      params.revision = static_cast<std::int32_t>(rv);
      params.strength = vv == 1 ? 40 : (length ? length->IntValue() : 0);
      params.ownerEntry = StringFor(encrypt_, "O");
      params.userEntry = StringFor(encrypt_, "U");
      params.permissionWord = p ? PermissionWordFromNumber(p->Value()) : 0;
    }
    // With state 1 and parameters not accepted (an AES or public-key
    // handler), revision and version stay 0, so every password test fails.
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
