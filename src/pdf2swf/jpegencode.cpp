#include "pdf2swf/jpegencode.h"

// jpeglib.h needs FILE declared first.
#include <cstdio>
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>

namespace lw::pdf2swf {

namespace {

// libjpeg writes into a growing byte vector.
struct VectorDestination {
  jpeg_destination_mgr mgr;
  swf::Bytes *out;
};

constexpr std::size_t kJpegChunk = 256 * 1024;

void InitDestination(j_compress_ptr cinfo) {
  auto *dest = reinterpret_cast<VectorDestination *>(cinfo->dest);
  dest->out->resize(std::max(dest->out->capacity(), kJpegChunk));
  dest->mgr.next_output_byte = dest->out->data();
  dest->mgr.free_in_buffer = dest->out->size();
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  auto *dest = reinterpret_cast<VectorDestination *>(cinfo->dest);
  const std::size_t used = dest->out->size();
  dest->out->resize(used * 2);
  dest->mgr.next_output_byte = dest->out->data() + used;
  dest->mgr.free_in_buffer = dest->out->size() - used;
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  auto *dest = reinterpret_cast<VectorDestination *>(cinfo->dest);
  dest->out->resize(dest->out->size() - dest->mgr.free_in_buffer);
}

struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<JpegError *>(cinfo->err)->jump, 1);
}

void SilentMessage(j_common_ptr) {}

}  // namespace

// See jpegencode.h.
bool EncodeJpeg(const QImage &image, int quality, swf::Bytes *out) {
  if (image.format() != QImage::Format_RGB32 || image.isNull()) return false;
  jpeg_compress_struct cinfo;
  JpegError err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = ErrorExit;
  err.mgr.output_message = SilentMessage;
  VectorDestination dest;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  dest.out = out;
  dest.mgr.init_destination = InitDestination;
  dest.mgr.empty_output_buffer = EmptyOutputBuffer;
  dest.mgr.term_destination = TermDestination;
  cinfo.dest = &dest.mgr;
  cinfo.image_width = static_cast<JDIMENSION>(image.width());
  cinfo.image_height = static_cast<JDIMENSION>(image.height());
  cinfo.input_components = 4;
  cinfo.in_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(image.constScanLine(static_cast<int>(cinfo.next_scanline)));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}


}  // namespace lw::pdf2swf
