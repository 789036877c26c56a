// Images for the side bar's pixel tests.
#pragma once

#include <QImage>

namespace orv::test {

// Every pixel grown to a 2 x 2 block, at device pixel ratio 2: what a surface painted at double
// scale must give when it has no finer detail.
inline QImage Doubled(const QImage& image) {
    QImage out(image.width() * 2, image.height() * 2, QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y) {
        for (int x = 0; x < out.width(); ++x) {
            out.setPixel(x, y, image.pixel(x / 2, y / 2));
        }
    }
    out.setDevicePixelRatio(2);
    return out;
}

}  // namespace orv::test
