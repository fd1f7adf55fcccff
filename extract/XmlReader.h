// A streaming XML reader for the parts of office packages, over expat.
//
// The part is fed in pieces as it is inflated and never held whole. The
// handler sees element names without their prefix ("w:t" -> "t": the
// prefixes of office XML are conventions, and strict and transitional
// documents use different namespace names for the same elements), and text
// with entities and character references decoded, as UTF-8.
//
// Hostile input is bounded here, for every family of documents:
// - a document type declaration ends the part as damaged. Office XML never
//   carries one, and without it no entity can be declared, so entity
//   expansion (a "billion laughs" part) and external entities cannot occur;
// - elements nested deeper than kMaxXmlDepth end the part as too large;
// - a single piece of markup (a tag, comment or processing instruction)
//   longer than kMaxXmlTokenBytes ends the part as too large, since expat
//   must buffer a token whole before it reports it.
//
// The XHTML documents of EPUB books are read in the Xhtml dialect: they
// commonly carry a document type declaration (<!DOCTYPE html>, or the XHTML
// 1.1 public identifier) and HTML's named entities (&nbsp;, &eacute;). A
// declaration without an internal subset is then allowed and never read, so
// still no entity can be declared; a named entity expat does not know is
// given as its character from the XHTML table (XhtmlEntities.h), or dropped
// when it is none. A declaration with an internal subset ends the part as
// damaged in both dialects.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "extract/PackageStatus.h"

struct XML_ParserStruct;

namespace tessaly::extract {

// Element nesting depth at most. Word nests a table in a cell in about five
// levels, so this allows documents with about a hundred tables one inside
// the other; the handlers' element stacks stay small.
inline constexpr int kMaxXmlDepth = 512;

// Bytes of input during which expat may report nothing at most: more means
// one token of that size is being buffered. Real tags are far below it.
inline constexpr std::size_t kMaxXmlTokenBytes = 16u << 20;

// The SAX events of one part. Attributes come as expat gives them: a
// null-terminated array of qualified name and value pairs.
class TXmlHandler {
 public:
  virtual ~TXmlHandler() = default;
  virtual void Start(std::string_view name, const char** attributes) = 0;
  virtual void End(std::string_view name) = 0;
  virtual void Text(std::string_view text) = 0;
  // True once the handler needs no more input; the reader then stops at
  // the end of the piece being parsed.
  virtual bool Done() const { return false; }
};

// `qualified` without its prefix.
std::string_view LocalName(std::string_view qualified);

// The value of the attribute whose local name is `local`, among those with
// a prefix when `prefixed` is set ("r:id") or without one otherwise ("id");
// empty when there is none.
std::string_view AttributeValue(const char** attributes, std::string_view local, bool prefixed = false);

enum class XmlDialect : unsigned char {
  Office,  // no document type declaration at all
  Xhtml,   // a declaration without internal subset; HTML's named entities
};

class TXmlReader {
 public:
  // `partName` only names the part in fault texts.
  TXmlReader(TXmlHandler& handler, std::string partName, XmlDialect dialect = XmlDialect::Office);
  ~TXmlReader();
  TXmlReader(const TXmlReader&) = delete;
  TXmlReader& operator=(const TXmlReader&) = delete;

  // Parses the next piece. False once the reader takes no more input: the
  // handler is done, the part is damaged or a limit was reached.
  bool Feed(const char* data, std::size_t size);
  // Ends the input; a part cut short is damaged. Nothing happens when the
  // reader already stopped.
  void Finish();

  const TPackageOutcome& Outcome() const { return outcome_; }

 private:
  static void OnStart(void* self, const char* name, const char** attributes);
  static void OnEnd(void* self, const char* name);
  static void OnText(void* self, const char* text, int length);
  static void OnOther(void* self, const char* text, int length);
  static void OnDoctype(void* self, const char* name, const char* system, const char* pub, int internalSubset);
  static void OnSkippedEntity(void* self, const char* name, int parameterEntity);
  static int OnExternalEntity(XML_ParserStruct* parser, const char* context, const char* base, const char* system,
                              const char* pub);
  void Abort(PackageStatus status, const std::string& fault);
  void NoteParseError();

  XML_ParserStruct* parser_;
  TXmlHandler& handler_;
  std::string partName_;
  TPackageOutcome outcome_;
  XmlDialect dialect_;
  int depth_ = 0;
  bool stopped_ = false;
  std::size_t fed_ = 0;       // bytes fed so far
  std::size_t progress_ = 0;  // fed_ when expat last reported something
};

}  // namespace tessaly::extract
