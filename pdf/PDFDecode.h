// Stream decoding: the filter list and parameters of a stream's dictionary
// and the chain of filters that undoes them.
//
// Understood filters: FlateDecode (with PNG predictors), ASCII85Decode and
// LZWDecode. Other names are passed over; a list naming none of them gives
// an empty result, an empty list the raw data. No filter reports an error:
// corrupt data gives a shortened or empty result.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tessaly::pdf {

class TPDFDictionary;
class TPDFStream;

// One decoding never produces more than this. A small stream can inflate to
// gigabytes; past the cap the filter stops and its result is empty (the
// stream counts as undecodable), so no file takes the machine's memory.
inline constexpr std::size_t kMaxDecodedStreamSize = 256u * 1024u * 1024u;

// The filter names of /Filter (resolved when a reference): a name gives one,
// an array its name items in order; anything else none.
std::vector<std::string> StreamFilters(const TPDFDictionary& dict);
// The parameter dictionaries per filter position (nullptr where none), from
// /DecodeParms or, when that key is absent, /DP.
std::vector<TPDFDictionary*> StreamFilterParams(const TPDFDictionary& dict,
                                                std::size_t filterCount);
// Decodes data with the filters and parameters of dict.
std::string DecodeStreamData(const std::string& data, const TPDFDictionary& dict);

}  // namespace tessaly::pdf
