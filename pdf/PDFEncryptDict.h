// Reading a standard security handler's encryption dictionary into the
// handler's parameters, shared by the whole-file document and the
// direct-access link.
#pragma once

#include "pdf/PDFSecurity.h"

namespace tessaly::pdf {

class TPDFDictionary;

// Fills the handler fields of `params` (strength, revision, version, owner
// and user entries, /OE, /UE, /Perms, permission word, string and stream
// methods, /EncryptMetadata) when `dict` describes a supported standard
// handler and returns true; otherwise leaves `params` unchanged and returns
// false. Supported: /Filter /Standard with /V 1 or 2 and /R 2 or 3; /V 4 and
// /R 4 whose /StrF and /StmF name /Identity or a /CF filter with /CFM /V2,
// /AESV2 or /None; /V 5 and /R 5 or 6 with /AESV3 or /None filters.
// The state and the file identifier are not touched.
bool ReadStandardSecurity(const TPDFDictionary& dict, TPDFSecurityParams& params);

}  // namespace tessaly::pdf
