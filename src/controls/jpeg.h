// JPEG pictures (page banners, the About picture) decoded through libjpeg.
#pragma once

#include <QByteArray>
#include <QImage>

namespace orv::ui {

// Decodes JPEG data; a null image when the data is not a JPEG picture.
QImage DecodeJpeg(const QByteArray& data);
// Loads and decodes a JPEG file or Qt resource (":/...").
QImage LoadJpeg(const QString& path);

}  // namespace orv::ui
