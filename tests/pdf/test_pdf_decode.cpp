// Tests of stream decoding: the filter and parameter lists of a stream's
// dictionary, FlateDecode with PNG predictors, ASCII85Decode, LZWDecode and
// the output cap.
#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <iterator>
#include <string>

#include "pdf/PDFASCII85.h"
#include "pdf/PDFDecode.h"
#include "pdf/PDFFlate.h"
#include "pdf/PDFLZW.h"
#include "pdf/PDFPredictor.h"
#include "pdf/uPDFStructure.h"

namespace tessaly::pdf {
namespace {

std::string Deflate(const std::string& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                      reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()),
                      9),
            Z_OK);
  out.resize(size);
  return out;
}

std::string ASCII85Encode(const std::string& data) {
  std::string out;
  for (std::size_t i = 0; i < data.size(); i += 4) {
    const std::size_t n = std::min<std::size_t>(4, data.size() - i);
    std::uint32_t v = 0;
    for (std::size_t k = 0; k < 4; ++k)
      v = v << 8 | (k < n ? static_cast<unsigned char>(data[i + k]) : 0);
    char group[5];
    for (int k = 4; k >= 0; --k) {
      group[k] = static_cast<char>('!' + v % 85);
      v /= 85;
    }
    out.append(group, n + 1);
  }
  return out + "~>";
}

// A stream with raw data and the dictionary given as text.
TPDFStream* MakeStream(TPDFStructure& store, const std::string& data, const std::string& dict) {
  TPDFStream* s = store.NewStream(data);
  auto* d = PDFAs<TPDFDictionary>(store.ParseObject(dict));
  EXPECT_NE(d, nullptr) << dict;
  if (d) s->SetDictionary(d);
  return s;
}

const std::string kText = "The quick brown fox jumps over the lazy dog. 0123456789";

// ---- filter lists ----

TEST(PDFDecode, FilterLists) {
  struct Case {
    const char* dict;
    std::string raw;
    std::string decoded;
  };
  const std::string flate = Deflate(kText);
  const Case cases[] = {
      // No filter: the raw data.
      {"<< /Length 3 >>", "raw", "raw"},
      {"<< /Filter [] >>", "raw", "raw"},
      {"<< /Filter 5 >>", "raw", "raw"},           // not a name or array: no filters
      // Filters not understood are passed over; with none left the result is empty.
      {"<< /Filter /DCTDecode >>", "\xFF\xD8", ""},
      {"<< /Filter [/ASCIIHexDecode] >>", "41>", ""},
      {"<< /Filter /Fl >>", flate, ""},            // abbreviations are not understood
      {"<< /Filter /FlateDecode >>", flate, kText},
      {"<< /Filter [/RunLengthDecode /FlateDecode] >>", flate, kText},
      // ASCII85 first, its output inflated.
      {"<< /Filter [/ASCII85Decode /FlateDecode] >>", ASCII85Encode(flate), kText},
      // Array items that are not names are skipped.
      {"<< /Filter [1 0 R /FlateDecode (x)] >>", flate, kText},
  };
  for (const Case& c : cases) {
    TPDFStructure store;
    EXPECT_EQ(MakeStream(store, c.raw, c.dict)->DecodedStream(), c.decoded) << c.dict;
  }
}

TEST(PDFDecode, FilterAndParamsThroughReferences) {
  TPDFStructure store;
  TPDFObject* filter = store.ParseObject("[/FlateDecode]");
  TPDFObject* parms = store.ParseObject("<< /Predictor 12 /Columns 2 >>");
  store.OnIndObjLookup = [&](TPDFIndRef*, std::int32_t num, std::int32_t, TPDFObject*& obj) {
    obj = num == 7 ? filter : num == 8 ? parms : nullptr;
  };
  // Two rows of filter type 0 (None).
  const std::string rows = std::string("\0ab\0cd", 6);
  TPDFStream* s = MakeStream(store, Deflate(rows), "<< /Filter 7 0 R /DecodeParms 8 0 R >>");
  EXPECT_EQ(s->DecodedStream(), "abcd");
}

TEST(PDFDecode, ParameterLists) {
  const std::string rows = std::string("\x02" "ab" "\x02" "\x01\x01", 6);  // Up rows
  const std::string flate = Deflate(rows);
  struct Case {
    std::string dict;
    std::string decoded;
  };
  const Case cases[] = {
      {"<< /Filter /FlateDecode /DecodeParms << /Predictor 12 /Columns 2 >> >>", "abbc"},
      // /DP stands in when /DecodeParms is absent.
      {"<< /Filter /FlateDecode /DP << /Predictor 12 /Columns 2 >> >>", "abbc"},
      // A parameter array lines up with the filter list.
      {"<< /Filter [/FlateDecode] /DecodeParms [<< /Predictor 12 /Columns 2 >>] >>", "abbc"},
      {"<< /Filter [/FlateDecode] /DecodeParms [null] >>", rows},
      // A dictionary applies to the first filter only.
      {"<< /Filter [/ASCII85Decode /FlateDecode] /DecodeParms << /Predictor 12 /Columns 2 >> >>",
       rows},
      // Predictors below 10 and 16-bit samples pass the data through.
      {"<< /Filter /FlateDecode /DecodeParms << /Predictor 2 /Columns 2 >> >>", rows},
      {"<< /Filter /FlateDecode /DecodeParms << /Predictor 12 /Columns 2 /BitsPerComponent 16 >> >>",
       rows},
  };
  for (const Case& c : cases) {
    TPDFStructure store;
    const bool a85 = c.dict.find("ASCII85") != std::string::npos;
    TPDFStream* s = MakeStream(store, a85 ? ASCII85Encode(flate) : flate, c.dict);
    EXPECT_EQ(s->DecodedStream(), c.decoded) << c.dict;
  }
}

// ---- predictors ----

TEST(PDFPredictor, RowCutAndSixteenBits) {
  // 13 inflated bytes with /Columns 5: two full rows, the 13th byte dropped.
  const std::string data = std::string("\x00" "abcde" "\x00" "fghij" "Z", 13);
  TPDFStructure store;
  const std::string flate = Deflate(data);
  EXPECT_EQ(MakeStream(store, flate,
                       "<< /Filter /FlateDecode /DecodeParms << /Predictor 12 /Columns 5 >> >>")
                ->DecodedStream(),
            "abcdefghij");
  EXPECT_EQ(MakeStream(store, flate,
                       "<< /Filter /FlateDecode /DecodeParms << /Predictor 12 /Columns 5 "
                       "/BitsPerComponent 16 >> >>")
                ->DecodedStream(),
            data);
}

TEST(PDFPredictor, FilterTypes) {
  struct Case {
    const char* name;
    std::string rows;  // encoded, columns = 3
    std::string expected;
  };
  const Case cases[] = {
      {"none", std::string("\0\x01\x02\x03", 4), "\x01\x02\x03"},
      {"sub", std::string("\x01\x01\x01\x01", 4), "\x01\x02\x03"},
      {"up", std::string("\0\x01\x02\x03\x02\x01\x01\x01", 8), "\x01\x02\x03\x02\x03\x04"},
      // Average: first row (left + 0) / 2; second row (left + up) / 2.
      {"average", std::string("\x03\x02\x02\x02\x03\x01\x01\x01", 8),
       "\x02\x03\x03\x02\x03\x04"},
      // Paeth over a first row is Sub; below it, up wins where left is 0.
      {"paeth", std::string("\x04\x01\x01\x01\x04\x01\x01\x01", 8), "\x01\x02\x03\x02\x03\x04"},
      // Arithmetic modulo 256.
      {"wrap", std::string("\x01\xFF\x02\x00", 4), "\xFF\x01\x01"},
      // A type byte above 4 makes the whole result empty.
      {"bad type", std::string("\0\x01\x02\x03\x05\x01\x01\x01", 8), ""},
      // Less than a row gives nothing.
      {"short", std::string("\0\x01", 2), ""},
  };
  for (const Case& c : cases) EXPECT_EQ(PNGUnpredict(c.rows, 3), c.expected) << c.name;
  EXPECT_EQ(PNGUnpredict(std::string("\0a", 2), 0), "");
  EXPECT_EQ(PNGUnpredict(std::string("\0a", 2), -5), "");
  EXPECT_EQ(PNGUnpredict(std::string("\0a", 2), INT64_MAX), "");
}

// ---- FlateDecode ----

TEST(PDFFlate, CutAgainstDamagedEnd) {
  std::string big;
  for (int i = 0; i < 2000; ++i) big += "row " + std::to_string(i * 7919 % 10007) + "\n";
  const std::string z = Deflate(big);
  EXPECT_EQ(FlateDecode(z), big);
  EXPECT_EQ(FlateDecode(""), "");
  // Cut short in the middle: the stream never ends, so nothing.
  EXPECT_EQ(FlateDecode(z.substr(0, z.size() / 2)), "");
  EXPECT_EQ(FlateDecode(z.substr(0, z.size() - 1)), "");
  // The check value at the end damaged: everything before it.
  std::string damaged = z;
  damaged[damaged.size() - 1] ^= 0x55;
  EXPECT_EQ(FlateDecode(damaged), big);
  // A wrong header: a data error before any output.
  EXPECT_EQ(FlateDecode("not zlib data"), "");
  // Bytes after the end of the stream are ignored.
  EXPECT_EQ(FlateDecode(z + "trailing"), big);
}

TEST(PDFFlate, DamageMidwayKeepsTheBytesBefore) {
  // Stored (uncompressed) blocks make the damage point predictable: the
  // length check of the second block fails after the first block's output.
  std::string block1(1000, 'a');
  z_stream z{};
  ASSERT_EQ(deflateInit(&z, 0), Z_OK);
  std::string out(4096, '\0');
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  std::string input = block1 + std::string(1000, 'b');
  z.next_in = reinterpret_cast<Bytef*>(input.data());
  z.avail_in = 1000;
  ASSERT_EQ(deflate(&z, Z_FULL_FLUSH), Z_OK);
  const std::size_t firstEnd = out.size() - z.avail_out;
  z.avail_in = 1000;
  ASSERT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(out.size() - z.avail_out);
  deflateEnd(&z);
  // The second stored block's header follows the first block's flush
  // marker; break its length complement (bytes 1-4 of the block).
  std::string damaged = out;
  damaged[firstEnd + 3] ^= 0xFF;
  const std::string got = FlateDecode(damaged);
  EXPECT_EQ(got, block1);
}

TEST(PDFFlate, StopsAtTheOutputCap) {
  const std::string z = Deflate(std::string(100000, '\0'));
  EXPECT_EQ(FlateDecode(z, 100000).size(), 100000u);
  EXPECT_EQ(FlateDecode(z, 99999), "");
}

TEST(PDFFlate, DecompressionBombIsUndecodable) {
  // After a full flush the compressor starts afresh, so each further MiB of
  // zeros compresses to the same bytes: the bomb is made by repeating them
  // without compressing 256 MiB. Its check value is never reached.
  z_stream z{};
  ASSERT_EQ(deflateInit(&z, 9), Z_OK);
  std::string zeros(1 << 20, '\0');
  auto chunk = [&](int flush) {
    std::string out;
    char buf[1 << 16];
    z.next_in = reinterpret_cast<Bytef*>(zeros.data());
    z.avail_in = flush == Z_FINISH ? 0 : static_cast<uInt>(zeros.size());
    do {
      z.next_out = reinterpret_cast<Bytef*>(buf);
      z.avail_out = sizeof buf;
      deflate(&z, flush);
      out.append(buf, sizeof buf - z.avail_out);
    } while (z.avail_out == 0);
    return out;
  };
  std::string bomb = chunk(Z_FULL_FLUSH);
  const std::string repeat = chunk(Z_FULL_FLUSH);
  ASSERT_EQ(chunk(Z_FULL_FLUSH), repeat);
  for (std::size_t i = 0; i < (kMaxDecodedStreamSize >> 20); ++i) bomb += repeat;
  bomb += chunk(Z_FINISH);
  deflateEnd(&z);
  ASSERT_LT(bomb.size(), 1u << 20);
  TPDFStructure store;
  EXPECT_EQ(MakeStream(store, bomb, "<< /Filter /FlateDecode >>")->DecodedStream(), "");
}

// ---- ASCII85Decode ----

TEST(PDFASCII85, Cases) {
  struct Case {
    std::string input;
    std::string output;
  };
  const Case cases[] = {
      {"87cURDZ~>", "Hello"},              // a full group and a final group of two
      {"87cURDZ", ""},                     // no end mark
      {"87cURDZ~", ""},
      {"z~>", std::string(4, '\0')},       // z is four zero bytes
      {"zz~>", std::string(8, '\0')},
      {"8 7c\nUR\tDZ ~>", "Hello"},        // white space is dropped
      {"~>", ""},
      {"8~>", ""},                         // a final group of one gives no byte
      {"s8W-!~>", std::string("\xFF\xFF\xFF\xFF", 4)},
      {"s8W-\"~>", std::string(4, '\0')},  // 2^32: above 32 bits gives zeros
      {"87c\x80URDZ~>", "Hello"},          // bytes outside ! to u are dropped
  };
  for (const Case& c : cases) EXPECT_EQ(ASCII85Decode(c.input), c.output) << c.input;
  // Round trip of every byte value.
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  EXPECT_EQ(ASCII85Decode(ASCII85Encode(all)), all);
  EXPECT_EQ(ASCII85Decode("zz~>", 7), "");  // past the cap
}

// ---- LZWDecode ----

std::string LZWSampleText() {
  std::string s;
  for (int i = 0; i < 600; ++i) {
    s += "line " + std::to_string(i) + ": " + std::to_string(static_cast<long>(i) * i * 7919 % 100003) +
         " the quick brown fox jumps over the lazy dog\n";
  }
  return s;
}

TEST(PDFLZW, KnownAnswers) {
  // The example of the PDF reference: codes 256 45 258 258 65 259 66 257.
  EXPECT_EQ(LZWDecode("\x80\x0B\x60\x50\x22\x0C\x0C\x85\x01"), "-----A---B");
  // The same without the end code: the output ends with the input.
  EXPECT_EQ(LZWDecode("\x80\x0B\x60\x50\x22\x0C\x0C\x84"), "-----A---B");
  EXPECT_EQ(LZWDecode(""), "");
  // A first code that is not a single byte is skipped (9 bits of 258, then 257).
  EXPECT_EQ(LZWDecode("\x81\x40\x40"), "");
}

TEST(PDFLZW, GhostscriptStreamWithTableResets) {
  std::ifstream in(std::string(TESSALY_TEST_DATA) + "/pdf/decode/gs-text.lzw", std::ios::binary);
  ASSERT_TRUE(in) << "missing test data";
  const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string expected = LZWSampleText();
  EXPECT_EQ(LZWDecode(data), expected);
  TPDFStructure store;
  EXPECT_EQ(MakeStream(store, data, "<< /Filter /LZWDecode >>")->DecodedStream(), expected);
  // Cut short: the output so far, a prefix of the text.
  const std::string part = LZWDecode(data.substr(0, data.size() / 2));
  EXPECT_GT(part.size(), 0u);
  EXPECT_EQ(expected.compare(0, part.size(), part), 0);
  // Past the cap: nothing.
  EXPECT_EQ(LZWDecode(data, 1000), "");
}

// The stream of the object whose dictionary holds `marker`, from a real
// file: the dictionary is parsed and the /Length bytes after "stream" taken.
TPDFStream* StreamFromFile(TPDFStructure& store, const std::string& file, const std::string& marker) {
  std::ifstream in(std::string(TESSALY_TEST_DATA) + "/pdf/" + file, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::size_t at = text.find(marker);
  if (at == std::string::npos) return nullptr;
  const std::size_t dictStart = text.rfind("<<", at);
  auto* dict = PDFAs<TPDFDictionary>(store.ParseObject(std::string_view(text).substr(dictStart)));
  const std::size_t data = text.find("stream\n", at);
  if (!dict || data == std::string::npos) return nullptr;
  const auto length = static_cast<std::size_t>(dict->GetInteger("Length", 0));
  TPDFStream* stream = store.NewStream(text.substr(data + 7, length));
  stream->SetDictionary(dict);
  return stream;
}

TEST(PDFDecode, StreamsWrittenByQpdf) {
  TPDFStructure store;
  // A cross-reference stream: Flate with PNG Up rows, /W [1 2 1], /Size 11.
  TPDFStream* xref = StreamFromFile(store, "qpdf-objstm.pdf", "/Type /XRef");
  ASSERT_NE(xref, nullptr);
  const std::string entries = xref->DecodedStream();
  ASSERT_EQ(entries.size(), 11u * 4);
  EXPECT_EQ(entries[0], 0);  // object 0 is free
  for (std::size_t i = 4; i < entries.size(); i += 4) {
    EXPECT_TRUE(entries[i] == 1 || entries[i] == 2) << "entry " << i / 4;
  }
  // An object stream: its header is N pairs of numbers before /First.
  TPDFStream* objstm = StreamFromFile(store, "qpdf-objstm.pdf", "/Type /ObjStm");
  ASSERT_NE(objstm, nullptr);
  const std::string members = objstm->DecodedStream();
  const std::int32_t first = objstm->Dictionary()->GetInteger("First", 0);
  ASSERT_GT(members.size(), static_cast<std::size_t>(first));
  auto* header = PDFAs<TPDFArray>(store.ParseObject("[ " + members.substr(0, first) + " ]"));
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(header->Count(), 2 * objstm->Dictionary()->GetInteger("N", 0));
}

TEST(PDFDecode, TruncationSweepNeverFaults) {
  // Every prefix of each encoding decodes without fault (the sanitizer
  // build checks the memory accesses).
  const std::string flate = Deflate(kText);
  const std::string a85 = ASCII85Encode(flate);
  const std::string lzw = "\x80\x0B\x60\x50\x22\x0C\x0C\x85\x01";
  for (std::size_t n = 0; n <= a85.size(); ++n) {
    FlateDecode(std::string_view(flate).substr(0, std::min(n, flate.size())));
    ASCII85Decode(std::string_view(a85).substr(0, n));
    LZWDecode(std::string_view(lzw).substr(0, std::min(n, lzw.size())));
    PNGUnpredict(std::string_view(flate).substr(0, std::min(n, flate.size())), 3);
  }
  SUCCEED();
}

}  // namespace
}  // namespace tessaly::pdf
