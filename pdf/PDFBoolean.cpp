// TPDFBoolean: text form.
#include "pdf/PDFBoolean.h"

namespace tessaly::pdf {

void TPDFBoolean::AppendText(std::string& out, int /*depth*/) const {
  out += value_ ? "true" : "false";
}

}  // namespace tessaly::pdf
