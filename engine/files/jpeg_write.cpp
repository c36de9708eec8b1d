// JPEG output through libjpeg: the thumbnails of design files and exported
// pictures. libjpeg reports errors by calling a function that must not
// return, so errors jump back out of the encoder.

#include "lxPictureFiles.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace {

struct ErrorJump {
    jpeg_error_mgr Manager;
    std::jmp_buf Jump;
};

[[noreturn]] void jumpOut(j_common_ptr Info) {
    std::longjmp(reinterpret_cast<ErrorJump*>(Info->err)->Jump, 1);
}

void ignoreMessage(j_common_ptr) {}

// Everything the jump may skip lives in this frame's caller, so no C++
// object with a destructor sits between setjmp and longjmp.
bool compress(jpeg_compress_struct& info, const QImage& bgr, int quality, unsigned char*& out,
              unsigned long& outSize) {
    ErrorJump error;
    info.err = jpeg_std_error(&error.Manager);
    error.Manager.error_exit = jumpOut;
    error.Manager.output_message = ignoreMessage;
    if (setjmp(error.Jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &out, &outSize);
    info.image_width = JDIMENSION(bgr.width());
    info.image_height = JDIMENSION(bgr.height());
    info.input_components = 3;
#ifdef JCS_EXTENSIONS
    info.in_color_space = JCS_EXT_BGR;
#else
#error "libjpeg-turbo's colour-space extensions are needed"
#endif
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(bgr.constScanLine(int(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

} // namespace

namespace lx {

QByteArray encodeJpeg(const QImage& Bgr, int Quality) {
    if (Bgr.isNull() || Bgr.format() != QImage::Format_BGR888 || Bgr.width() > 65500 ||
        Bgr.height() > 65500)
        return {};
    jpeg_compress_struct info{};
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    const bool ok = compress(info, Bgr,
                             Quality < 1     ? 1
                             : Quality > 100 ? 100
                                             : Quality,
                             out, outSize);
    QByteArray result;
    if (ok && out != nullptr)
        result = QByteArray(reinterpret_cast<const char*>(out), qsizetype(outSize));
    std::free(out);
    return result;
}

} // namespace lx
