// The facade's document handling: the initial blank document, loading from
// files, streams and memory, selection, and the information and encryption
// queries of the selected document.
#include "pdf/PdfToolkit.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string_view>

#include "pdf/PDFDate.h"
#include "pdf/PDFDocument.h"
#include "pdf/PDFMD5.h"

namespace tessaly::pdf {

const char* const kPdfComponentIdentification = "Tessaly PDF Toolkit 4.25 (https://tessaly.example/pdf)";

namespace {

// The information keys of GetInformation's indexes 1 to 8.
constexpr std::string_view kInfoKeys[] = {"Author",  "Title",    "Subject",      "Keywords",
                                          "Creator", "Producer", "CreationDate", "ModDate"};

// Closes a descriptor on every path.
class TFileDescriptor {
 public:
  explicit TFileDescriptor(int fd) : fd_(fd) {}
  ~TFileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  TFileDescriptor(const TFileDescriptor&) = delete;
  TFileDescriptor& operator=(const TFileDescriptor&) = delete;
  int Get() const { return fd_; }

 private:
  int fd_;
};

// All bytes of a regular file; false when it cannot be opened or read, or
// when `stop` says so between two pieces.
bool ReadWholeFile(const std::string& path, std::string& out, const TPDFStopCheck& stop) {
  // Non-blocking, so that a FIFO with a PDF name does not wait for a writer;
  // it is then refused as not a regular file.
  TFileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (fd.Get() < 0) return false;
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  out.clear();
  out.reserve(static_cast<std::size_t>(st.st_size));
  // Through a small buffer that stays in the cache; the stop is asked every
  // 4 MiB.
  char buffer[65536];
  constexpr std::size_t kPiecesPerQuestion = (std::size_t{4} << 20) / sizeof buffer;
  for (std::size_t piece = 0;; ++piece) {
    if (piece % kPiecesPerQuestion == 0 && stop && stop()) return false;
    const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    out.append(buffer, static_cast<std::size_t>(n));
  }
}

std::string HexText(const std::string& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    out.push_back(digits[c >> 4]);
    out.push_back(digits[c & 15]);
  }
  return out;
}

// A one-page document with an information dictionary, as file text with
// exact cross-reference offsets.
std::string BlankDocumentText() {
  const std::string date = PdfDateNow();
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const std::string id = HexText(MD5Digest(date + std::to_string(std::chrono::duration<double>(now).count())));
  const std::string objects[] = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [ 3 0 R ] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 612 792 ] >>",
      std::string("<< /Producer (") + kPdfComponentIdentification + ") /Creator (" + kPdfComponentIdentification +
          ") /CreationDate (" + date + ") /ModDate (" + date + ") >>",
  };
  std::string text = "%PDF-1.4\n";
  std::string xref = "xref\n0 5\n0000000000 65535 f \n";
  int number = 1;
  for (const std::string& body : objects) {
    char line[32];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", text.size());
    xref += line;
    text += std::to_string(number++) + " 0 obj\n" + body + "\nendobj\n";
  }
  const std::size_t start = text.size();
  text += xref;
  text += "trailer\n<< /Size 5 /Root 1 0 R /Info 4 0 R /ID [ <" + id + "> <" + id + "> ] >>\n";
  text += "startxref\n" + std::to_string(start) + "\n%%EOF\n";
  return text;
}

}  // namespace

TPdfToolkit::TPdfToolkit() : initial_(std::make_unique<TPDFDocument>()) {
  initial_->Load(BlankDocumentText());
  selected_ = initial_.get();
}

TPdfToolkit::~TPdfToolkit() = default;

int TPdfToolkit::Adopt(std::unique_ptr<TPDFDocument> document, bool loaded) {
  if (!loaded) return 0;
  loaded_ = std::move(document);
  selected_ = loaded_.get();
  return 1;
}

int TPdfToolkit::LoadFromFile(const std::string& fileName) {
  try {
    std::string bytes;
    if (!ReadWholeFile(fileName, bytes, stopCheck_)) return 0;
    auto document = std::make_unique<TPDFDocument>();
    document->SetStopCheck(stopCheck_);
    const bool loaded = document->Load(std::move(bytes));
    document->SetStopCheck({});
    return Adopt(std::move(document), loaded);
  } catch (...) {
    return 0;
  }
}

int TPdfToolkit::LoadFromStream(std::istream& stream) {
  try {
    auto document = std::make_unique<TPDFDocument>();
    const bool loaded = document->Load(stream);
    return Adopt(std::move(document), loaded);
  } catch (...) {
    return 0;
  }
}

int TPdfToolkit::LoadFromMemory(std::string bytes) {
  try {
    auto document = std::make_unique<TPDFDocument>();
    const bool loaded = document->Load(std::move(bytes));
    return Adopt(std::move(document), loaded);
  } catch (...) {
    return 0;
  }
}

int TPdfToolkit::SelectDocument(const TPDFDocument* document) {
  if (document == nullptr) return 0;
  if (document == initial_.get()) {
    selected_ = initial_.get();
    return 1;
  }
  if (document == loaded_.get()) {
    selected_ = loaded_.get();
    return 1;
  }
  return 0;
}

std::string TPdfToolkit::GetInformation(std::int64_t index) const {
  try {
    if (index == 0) return selected_->Version();
    if (index >= 1 && index <= 8) return selected_->ReadInfoField(kInfoKeys[index - 1]);
  } catch (...) {
    // A damaged information object reads as no field.
  }
  return {};
}

int TPdfToolkit::Encrypted() const {
  try {
    return selected_->Encrypted();
  } catch (...) {
    return 0;
  }
}

int TPdfToolkit::EncryptionStrength() const {
  try {
    return selected_->EncryptionStrength();
  } catch (...) {
    return 0;
  }
}

}  // namespace tessaly::pdf
