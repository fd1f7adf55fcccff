// Compound files through libgsf's OLE2 reader. Every GObject is held by a
// unique_ptr that drops its reference, so the file is closed on every path.
#include "extract/CompoundFile.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>

#include <algorithm>

#include "platform/FileFacts.h"
#include "platform/ReadOnlyFile.h"

namespace tessaly::extract {
namespace {

struct TUnref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using TRef = std::unique_ptr<T, TUnref>;

struct TErrorHolder {
  GError* error = nullptr;
  ~TErrorHolder() {
    if (error) g_error_free(error);
  }
  std::string Text() const { return error && error->message ? error->message : "unknown error"; }
};

}  // namespace

struct TCompoundFile::TImpl {
  TRef<GsfInput> input;
  TRef<GsfInfile> root;
};

TCompoundFile::TCompoundFile(const std::string& path) : impl_(std::make_unique<TImpl>()), path_(path) {
  // The platform's open gives the system's text for a file that is missing
  // or may not be read; libgsf's own messages are less clear about it.
  try {
    platform::ReadOnlyFile probe(path);
  } catch (const std::exception& e) {
    throw TStorageError(e.what());
  }
  // libgsf opens without O_NONBLOCK: a FIFO (or a device) under a document's
  // name would block the caller for good, so only regular files go on.
  if (!platform::FileExists(path)) throw TStorageError("'" + path + "' is not a compound document");
  TErrorHolder openError;
  impl_->input.reset(gsf_input_stdio_new(path.c_str(), &openError.error));
  if (!impl_->input) throw TStorageError("Cannot open file \"" + path + "\": " + openError.Text());
  TErrorHolder oleError;
  impl_->root.reset(gsf_infile_msole_new(impl_->input.get(), &oleError.error));
  if (!impl_->root) throw TStorageError("'" + path + "' is not a compound document");
}

TCompoundFile::~TCompoundFile() = default;

std::optional<std::string> TCompoundFile::ReadStream(const std::string& name, std::size_t maxBytes) const {
  TRef<GsfInput> stream(gsf_infile_child_by_name(impl_->root.get(), name.c_str()));
  if (!stream) return std::nullopt;
  const gsf_off_t size = gsf_input_size(stream.get());
  const std::size_t wanted = size <= 0 ? 0 : static_cast<std::size_t>(std::min<gsf_off_t>(size, static_cast<gsf_off_t>(maxBytes)));
  std::string bytes(wanted, '\0');
  if (wanted > 0 && !gsf_input_read(stream.get(), wanted, reinterpret_cast<guint8*>(bytes.data())))
    throw TStorageError("Cannot read the stream '" + name + "' of '" + path_ + "'");
  return bytes;
}

}  // namespace tessaly::extract
