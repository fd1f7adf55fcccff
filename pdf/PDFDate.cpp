// PDF date texts for the information dictionary of new documents.
#include "pdf/PDFDate.h"

#include <cstdio>
#include <cstdlib>

namespace tessaly::pdf {

std::string PdfDateText(const std::tm& t, long offsetSeconds) {
  char text[64];
  std::snprintf(text, sizeof text, "D:%04d%02d%02d%02d%02d%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour,
                t.tm_min, t.tm_sec);
  std::string out = text;
  const long minutes = offsetSeconds / 60;
  if (minutes == 0) return out + "Z";
  const long magnitude = std::labs(minutes);
  std::snprintf(text, sizeof text, "%c%02ld'%02ld'", minutes > 0 ? '+' : '-', magnitude / 60, magnitude % 60);
  return out + text;
}

std::string PdfDateNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return PdfDateText(local, local.tm_gmtoff);
}

}  // namespace tessaly::pdf
