// The direct-access operations of TPdfToolkit: open and close links, page
// count, page handles and page sizes. Every handle is checked against the
// toolkit's list of open links.
#include "pdf/PdfToolkit.h"

namespace tessaly::pdf {

TDALink TPdfToolkit::DAOpenFile(const std::string& fileName, const std::string& password) {
  return directLinks_.Open(fileName, password);
}

int TPdfToolkit::DACloseFile(TDALink link) { return directLinks_.Close(link); }

int TPdfToolkit::DAGetPageCount(TDALink link) { return directLinks_.PageCount(link); }

TDAPage TPdfToolkit::DAFindPage(TDALink link, int pageNumber) {
  return directLinks_.FindPage(link, pageNumber);
}

double TPdfToolkit::DAGetPageWidth(TDALink link, TDAPage page) {
  return directLinks_.PageWidth(link, page);
}

double TPdfToolkit::DAGetPageHeight(TDALink link, TDAPage page) {
  return directLinks_.PageHeight(link, page);
}

}  // namespace tessaly::pdf
