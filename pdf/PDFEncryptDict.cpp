// The encryption dictionary of the standard security handler: key lengths,
// entries and crypt filters.
#include "pdf/PDFEncryptDict.h"

#include <optional>
#include <string>
#include <utility>

#include "pdf/uPDFStructure.h"

namespace tessaly::pdf {
namespace {

std::int32_t DirectInt32(TPDFObject* obj) {
  const auto* n = PDFAs<TPDFNumeric>(obj);
  return n != nullptr ? n->IntValue() : 0;
}

std::string DirectString(TPDFObject* obj) {
  const auto* s = PDFAs<TPDFString>(obj);
  return s != nullptr ? s->Value() : std::string();
}

std::string NameValue(TPDFObject* obj) {
  const auto* n = PDFAs<TPDFName>(obj);
  return n != nullptr ? n->Value() : std::string();
}

// The method of the crypt filter that /StrF or /StmF (`key`) names: absent
// or /Identity is no encryption; any other name must be an entry of /CF
// whose /CFM is known. Nothing for an unknown filter or method.
std::optional<TCryptMethod> FilterMethod(const TPDFDictionary& dict, const char* key) {
  TPDFObject* entry = dict.GetValue(key, true);
  if (entry == nullptr) return TCryptMethod::kIdentity;
  const std::string name = NameValue(entry);
  if (name.empty()) return std::nullopt;
  if (name == "Identity") return TCryptMethod::kIdentity;
  const auto* filters = PDFAs<TPDFDictionary>(dict.GetValue("CF", true));
  const auto* filter = filters != nullptr ? PDFAs<TPDFDictionary>(filters->GetValue(name, true)) : nullptr;
  if (filter == nullptr) return std::nullopt;
  TPDFObject* cfm = filter->GetValue("CFM", true);
  const std::string method = cfm != nullptr ? NameValue(cfm) : "None";
  if (method == "None") return TCryptMethod::kIdentity;
  if (method == "V2") return TCryptMethod::kRC4;
  if (method == "AESV2") return TCryptMethod::kAESV2;
  if (method == "AESV3") return TCryptMethod::kAESV3;
  return std::nullopt;
}

}  // namespace

bool ReadStandardSecurity(const TPDFDictionary& dict, TPDFSecurityParams& params) {
  if (NameValue(dict.GetValue("Filter")) != "Standard") return false;
  const std::int32_t v = DirectInt32(dict.GetValue("V"));
  const std::int32_t r = DirectInt32(dict.GetValue("R"));
  TPDFSecurityParams read = params;
  // /P read through a reference too; an unsigned word (4294967292, as some
  // writers store it) is the same as its signed form (-4).
  read.permissionWord = 0;
  if (const auto* p = PDFAs<TPDFNumeric>(dict.GetValue("P", true))) read.permissionWord = PermissionWordFromNumber(p->Value());
  read.ownerEntry = DirectString(dict.GetValue("O"));
  read.userEntry = DirectString(dict.GetValue("U"));
  read.revision = r;
  read.handlerVersion = v;
  if ((v == 1 || v == 2) && (r == 2 || r == 3)) {
    read.strength = v == 2 ? DirectInt32(dict.GetValue("Length")) : 40;
    read.stringMethod = read.streamMethod = TCryptMethod::kRC4;
  } else if ((v == 4 && r == 4) || (v == 5 && (r == 5 || r == 6))) {
    const std::optional<TCryptMethod> strings = FilterMethod(dict, "StrF");
    const std::optional<TCryptMethod> streams = FilterMethod(dict, "StmF");
    if (!strings || !streams) return false;
    // Version 4 keys are 128 bits whatever the filter; version 5 keys 256.
    read.strength = v == 4 ? 128 : 256;
    read.stringMethod = *strings;
    read.streamMethod = *streams;
    const auto* meta = PDFAs<TPDFBoolean>(dict.GetValue("EncryptMetadata", true));
    read.encryptMetadata = meta == nullptr || meta->Value();
    if (v == 5) {
      read.ownerKeyEntry = DirectString(dict.GetValue("OE"));
      read.userKeyEntry = DirectString(dict.GetValue("UE"));
      read.permsEntry = DirectString(dict.GetValue("Perms"));
    }
  } else {
    return false;
  }
  // A filter the version cannot use (AES-256 at version 4, RC4 at 5) makes
  // the handler one this component does not support.
  TPDFSecurityParams probe = read;
  probe.state = kStandardEncrypted;
  if (!TPDFSecurityHandler(probe).Supported()) return false;
  params = std::move(read);
  return true;
}

}  // namespace tessaly::pdf
