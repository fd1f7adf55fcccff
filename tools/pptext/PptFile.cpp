// The compound-file container through libgsf (GsfInfileMSOle). The glib
// headers stay in this file only.
#include "tools/pptext/PptFile.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-utils.h>

#include <memory>

namespace tessaly::pptext {
namespace {

struct GObjectUnref {
  void operator()(gpointer object) const {
    if (object) g_object_unref(object);
  }
};
template <typename T>
using GPtr = std::unique_ptr<T, GObjectUnref>;

std::string Reason(GError* error) {
  std::string text = error && error->message ? error->message : "unknown error";
  if (error) g_error_free(error);
  return text;
}

}  // namespace

std::vector<std::uint8_t> ReadPowerPointStream(const std::string& path) {
  gsf_init();
  GError* error = nullptr;
  GPtr<GsfInput> input(gsf_input_stdio_new(path.c_str(), &error));
  if (!input) throw PptFileError("cannot open \"" + path + "\": " + Reason(error), 2);
  GPtr<GsfInfile> ole(gsf_infile_msole_new(input.get(), &error));
  if (!ole) throw PptFileError("\"" + path + "\" is not a PowerPoint file: " + Reason(error), 3);
  GPtr<GsfInput> stream(gsf_infile_child_by_name(ole.get(), "PowerPoint Document"));
  if (!stream) throw PptFileError("\"" + path + "\" is not a PowerPoint file: no \"PowerPoint Document\" stream", 3);

  const gsf_off_t size = gsf_input_size(stream.get());
  if (size < 0 || static_cast<std::uint64_t>(size) > kMaxStreamSize)
    throw PptFileError("\"" + path + "\": the PowerPoint Document stream is too large", 3);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  std::size_t done = 0;
  while (done < bytes.size()) {
    const std::size_t part = std::min<std::size_t>(bytes.size() - done, 1 << 20);
    if (!gsf_input_read(stream.get(), part, bytes.data() + done))
      throw PptFileError("cannot read \"" + path + "\": damaged PowerPoint Document stream", 2);
    done += part;
  }
  return bytes;
}

}  // namespace tessaly::pptext
