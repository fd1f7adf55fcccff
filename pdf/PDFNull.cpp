// TPDFNull: text form.
#include "pdf/PDFNull.h"

namespace tessaly::pdf {

void TPDFNull::AppendText(std::string& out, int /*depth*/) const { out += "null"; }

}  // namespace tessaly::pdf
