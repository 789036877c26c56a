#include "controls/jpeg.h"

#include <QFile>
#include <csetjmp>
#include <cstdio>
// libjpeg's header needs size_t and FILE declared first.
#include <jpeglib.h>

namespace orv::ui {

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] void OnError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void Quiet(j_common_ptr) {}

// Decodes into `out`, whose storage is allocated before any libjpeg call can jump, so no C++
// object is constructed between setjmp and a longjmp.
bool Decode(const unsigned char* data, unsigned long size, QImage& out) {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    cinfo.err = jpeg_std_error(&err.base);
    err.base.error_exit = OnError;
    err.base.output_message = Quiet;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, size);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_components != 3 || cinfo.output_width > 8192 || cinfo.output_height > 8192 ||
        static_cast<unsigned>(out.width()) != cinfo.output_width ||
        static_cast<unsigned>(out.height()) != cinfo.output_height) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out.scanLine(static_cast<int>(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    // libjpeg patches up damaged data with a warning (a file cut short comes out grey below
    // the cut): such a picture is not the one that was stored.
    const bool clean = err.base.num_warnings == 0;
    jpeg_destroy_decompress(&cinfo);
    return clean;
}

// Reads only the picture's size, so the image can be allocated before decoding.
bool ReadSize(const unsigned char* data, unsigned long size, int& w, int& h) {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    cinfo.err = jpeg_std_error(&err.base);
    err.base.error_exit = OnError;
    err.base.output_message = Quiet;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, size);
    jpeg_read_header(&cinfo, TRUE);
    w = static_cast<int>(cinfo.image_width);
    h = static_cast<int>(cinfo.image_height);
    jpeg_destroy_decompress(&cinfo);
    return w > 0 && h > 0 && w <= 8192 && h <= 8192;
}

}  // namespace

QImage DecodeJpeg(const QByteArray& data) {
    if (data.isEmpty())
        return {};
    auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    auto size = static_cast<unsigned long>(data.size());
    int w = 0, h = 0;
    if (!ReadSize(bytes, size, w, h))
        return {};
    QImage img(w, h, QImage::Format_RGB888);
    if (img.isNull() || !Decode(bytes, size, img))
        return {};
    return img;
}

QImage LoadJpeg(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return DecodeJpeg(f.readAll());
}

}  // namespace orv::ui
