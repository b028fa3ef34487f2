#include "platform/jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

#include "platform/exceptions.h"
#include "platform/format.h"

namespace platform {

namespace {

// libjpeg reports fatal errors through a callback that must not return; a C++ exception must not
// unwind through its C frames, so the callback jumps back here and the error is raised after.
//
// On Windows the C library's longjmp unwinds the stack through the system's unwinder, which needs
// an unwind table for every frame it crosses; the cross-built libjpeg has none (scripts/setup), so
// the jump there is the compiler's own, which restores the frame without unwinding. It asks the
// same of the frames in between: plain data, no destructor to run.
#if defined(_WIN32) && defined(__GNUC__)
using JumpBuffer = void* [5];
#define HALVEX_SETJMP(buffer) __builtin_setjmp(buffer)
#define HALVEX_LONGJMP(buffer) __builtin_longjmp(buffer, 1)
#else
using JumpBuffer = std::jmp_buf;
#define HALVEX_SETJMP(buffer) setjmp(buffer)
#define HALVEX_LONGJMP(buffer) std::longjmp(buffer, 1)
#endif

struct ErrorManager {
  jpeg_error_mgr base;
  JumpBuffer jump;
  int code;
};

// Not inlined: the compiler's long jump must leave a function other than the one that set it.
[[gnu::noinline]] void OnError(j_common_ptr info) {
  auto* err = reinterpret_cast<ErrorManager*>(info->err);
  err->code = err->base.msg_code;
  HALVEX_LONGJMP(err->jump);
}

void OnMessage(j_common_ptr, int) {}  // warnings are not shown

constexpr int kMaxSide = 16384;

// Returns 0 on success, else the libjpeg message code (or -1 for a refused size). Only plain
// data lives in this frame, so the long jump skips no destructor.
int Decode(const uint8_t* data, size_t size, JpegPicture* out, std::vector<uint8_t>* row) {
  jpeg_decompress_struct info;
  ErrorManager err;
  info.err = jpeg_std_error(&err.base);
  err.base.error_exit = OnError;
  err.base.emit_message = OnMessage;
  err.code = 0;
  if (HALVEX_SETJMP(err.jump)) {
    jpeg_destroy_decompress(&info);
    return err.code ? err.code : -2;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  if (info.output_width == 0 || info.output_height == 0 || info.output_width > kMaxSide ||
      info.output_height > kMaxSide || info.output_components != 3) {
    jpeg_destroy_decompress(&info);
    return -1;
  }
  out->width = static_cast<int>(info.output_width);
  out->height = static_cast<int>(info.output_height);
  out->pixels.resize(static_cast<size_t>(out->width) * static_cast<size_t>(out->height));
  row->resize(static_cast<size_t>(out->width) * 3);
  while (info.output_scanline < info.output_height) {
    JSAMPROW rows[1] = {row->data()};
    const int y = static_cast<int>(info.output_scanline);
    jpeg_read_scanlines(&info, rows, 1);
    uint32_t* dst = out->pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(out->width);
    const uint8_t* src = row->data();
    for (int x = 0; x < out->width; ++x, src += 3)
      dst[x] = 0xFF000000u | (uint32_t{src[0]} << 16) | (uint32_t{src[1]} << 8) | src[2];
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return 0;
}

}  // namespace

JpegPicture DecodeJpeg(const uint8_t* data, size_t size) {
  JpegPicture picture;
  std::vector<uint8_t> row;
  if (!data || size == 0) throw Exception("JPEG error #42");
  const int code = Decode(data, size, &picture, &row);
  if (code == -1) throw Exception("JPEG image is too large");
  if (code != 0) throw Exception(Format("JPEG error #%d", code));
  return picture;
}

}  // namespace platform
