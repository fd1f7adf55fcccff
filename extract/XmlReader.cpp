// The expat-based part reader: prefix stripping, the depth and token
// limits, and the refusal of document type declarations.
#include "extract/XmlReader.h"

#include <expat.h>

#include <cstring>

#include "extract/XhtmlEntities.h"

namespace tessaly::extract {

std::string_view LocalName(std::string_view qualified) {
  const std::size_t colon = qualified.rfind(':');
  return colon == std::string_view::npos ? qualified : qualified.substr(colon + 1);
}

std::string_view AttributeValue(const char** attributes, std::string_view local, bool prefixed) {
  if (!attributes) return {};
  for (const char** a = attributes; a[0] && a[1]; a += 2) {
    const std::string_view name(a[0]);
    const bool hasPrefix = name.find(':') != std::string_view::npos;
    if (hasPrefix == prefixed && LocalName(name) == local) return a[1];
  }
  return {};
}

TXmlReader::TXmlReader(TXmlHandler& handler, std::string partName, XmlDialect dialect)
    : parser_(XML_ParserCreate(nullptr)), handler_(handler), partName_(std::move(partName)), dialect_(dialect) {
  if (!parser_) {
    stopped_ = true;
    outcome_.Note(PackageStatus::TooLarge, partName_ + ": out of memory for the XML parser");
    return;
  }
  XML_SetUserData(parser_, this);
  XML_SetElementHandler(parser_, &TXmlReader::OnStart, &TXmlReader::OnEnd);
  XML_SetCharacterDataHandler(parser_, &TXmlReader::OnText);
  // Reports comments, processing instructions and declarations, so that the
  // token limit only counts markup that expat is still buffering.
  XML_SetDefaultHandlerExpand(parser_, &TXmlReader::OnOther);
  XML_SetStartDoctypeDeclHandler(parser_, &TXmlReader::OnDoctype);
  XML_SetParamEntityParsing(parser_, XML_PARAM_ENTITY_PARSING_NEVER);
  if (dialect_ == XmlDialect::Xhtml) {
    // As if the document had an external subset that is never read: expat
    // then passes entities it does not know to the skipped-entity handler
    // instead of failing. The external-entity handler is never called
    // (parameter entities are not parsed); setting it keeps expat from
    // dropping the assumed subset.
    XML_UseForeignDTD(parser_, XML_TRUE);
    XML_SetExternalEntityRefHandler(parser_, &TXmlReader::OnExternalEntity);
    XML_SetSkippedEntityHandler(parser_, &TXmlReader::OnSkippedEntity);
  }
}

TXmlReader::~TXmlReader() {
  if (parser_) XML_ParserFree(parser_);
}

void TXmlReader::Abort(PackageStatus status, const std::string& fault) {
  outcome_.Note(status, partName_ + ": " + fault);
  stopped_ = true;
  XML_StopParser(parser_, XML_FALSE);
}

void TXmlReader::OnStart(void* self, const char* name, const char** attributes) {
  auto* r = static_cast<TXmlReader*>(self);
  if (r->stopped_) return;  // expat may still report after a stop
  r->progress_ = r->fed_;
  if (++r->depth_ > kMaxXmlDepth) {
    r->Abort(PackageStatus::TooLarge, "elements nested deeper than " + std::to_string(kMaxXmlDepth) + " levels");
    return;
  }
  r->handler_.Start(LocalName(name), attributes);
}

void TXmlReader::OnEnd(void* self, const char* name) {
  auto* r = static_cast<TXmlReader*>(self);
  if (r->stopped_) return;  // expat may still report after a stop
  r->progress_ = r->fed_;
  --r->depth_;
  r->handler_.End(LocalName(name));
}

void TXmlReader::OnText(void* self, const char* text, int length) {
  auto* r = static_cast<TXmlReader*>(self);
  if (r->stopped_) return;  // expat may still report after a stop
  r->progress_ = r->fed_;
  if (length > 0) r->handler_.Text(std::string_view(text, static_cast<std::size_t>(length)));
}

void TXmlReader::OnOther(void* self, const char*, int) {
  auto* r = static_cast<TXmlReader*>(self);
  r->progress_ = r->fed_;
}

void TXmlReader::OnDoctype(void* self, const char*, const char*, const char*, int internalSubset) {
  auto* r = static_cast<TXmlReader*>(self);
  if (r->dialect_ == XmlDialect::Office)
    r->Abort(PackageStatus::Damaged, "a document type declaration (not allowed in office XML)");
  else if (internalSubset)
    r->Abort(PackageStatus::Damaged, "a document type declaration with an internal subset (not allowed)");
  else
    r->progress_ = r->fed_;
}

void TXmlReader::OnSkippedEntity(void* self, const char* name, int parameterEntity) {
  auto* r = static_cast<TXmlReader*>(self);
  if (r->stopped_) return;
  r->progress_ = r->fed_;
  if (parameterEntity) return;
  const std::string_view text = XhtmlEntityText(name);
  if (!text.empty()) r->handler_.Text(text);
}

int TXmlReader::OnExternalEntity(XML_ParserStruct*, const char*, const char*, const char*, const char*) {
  return XML_STATUS_OK;  // nothing is ever loaded
}

void TXmlReader::NoteParseError() {
  if (stopped_) return;  // Abort noted the cause already
  stopped_ = true;
  const XML_Error code = XML_GetErrorCode(parser_);
  const char* text = XML_ErrorString(code);
  outcome_.Note(PackageStatus::Damaged, partName_ + ": " + (text ? text : "XML error") + " at line " +
                                            std::to_string(XML_GetCurrentLineNumber(parser_)));
}

bool TXmlReader::Feed(const char* data, std::size_t size) {
  if (stopped_) return false;
  while (size > 0) {
    // expat takes an int length.
    const std::size_t piece = size < (1u << 30) ? size : (1u << 30);
    fed_ += piece;
    if (XML_Parse(parser_, data, static_cast<int>(piece), XML_FALSE) != XML_STATUS_OK) {
      NoteParseError();
      return false;
    }
    data += piece;
    size -= piece;
  }
  if (fed_ - progress_ > kMaxXmlTokenBytes) {
    Abort(PackageStatus::TooLarge, "a piece of markup longer than " + std::to_string(kMaxXmlTokenBytes >> 20) + " MiB");
    return false;
  }
  if (handler_.Done()) {
    stopped_ = true;
    return false;
  }
  return true;
}

void TXmlReader::Finish() {
  if (stopped_) return;
  if (XML_Parse(parser_, nullptr, 0, XML_TRUE) != XML_STATUS_OK) NoteParseError();
  stopped_ = true;
}

}  // namespace tessaly::extract
