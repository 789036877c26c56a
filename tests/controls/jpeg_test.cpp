#include "controls/jpeg.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <random>

namespace {

using orv::ui::DecodeJpeg;
using orv::ui::LoadJpeg;

struct Picture {
    const char* path;
    int width, height;
};

const Picture kPictures[] = {
    {":/banners/ip_domain_converter.jpg", 237, 26},  {":/banners/batch_ping.jpg", 237, 26},
    {":/banners/traceroute.jpg", 237, 26},           {":/banners/whois.jpg", 237, 26},
    {":/banners/ip_country_converter.jpg", 237, 26}, {":/banners/website_scanner.jpg", 237, 26},
    {":/banners/connection_monitor.jpg", 237, 26},   {":/banners/about.jpg", 380, 117},
};

QByteArray ReadResource(const char* path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(Banners, EveryPictureDecodesToItsSize) {
    QStringList expected;
    for (const auto& p : kPictures) {
        SCOPED_TRACE(p.path);
        expected << QString(p.path).mid(QString(":/banners/").size());
        QImage img = DecodeJpeg(ReadResource(p.path));
        ASSERT_FALSE(img.isNull());
        EXPECT_EQ(img.width(), p.width);
        EXPECT_EQ(img.height(), p.height);
        // Every picture is blue on its left edge: catches swapped channels and blank output.
        QColor c = img.pixelColor(2, p.height / 2);
        EXPECT_GT(c.blue(), c.red() + 40) << c.name().toStdString();
        EXPECT_EQ(LoadJpeg(p.path), img);
    }
    // Nothing missing from the resource file, nothing left over.
    QStringList found = QDir(":/banners").entryList(QDir::Files);
    expected.sort();
    found.sort();
    EXPECT_EQ(found, expected);
}

TEST(DecodeJpeg, DamagedOrForeignDataGivesANullImage) {
    const QByteArray good = ReadResource(":/banners/about.jpg");
    ASSERT_GT(good.size(), 1000);

    std::mt19937 rng(7);
    QByteArray garbage(4096, '\0');
    for (auto& b : garbage)
        b = static_cast<char>(rng());
    QByteArray png;
    {
        QBuffer buf(&png);
        buf.open(QIODevice::WriteOnly);
        QImage(16, 16, QImage::Format_RGB32).save(&buf, "PNG");
    }
    ASSERT_FALSE(png.isEmpty());

    struct Case {
        const char* name;
        QByteArray data;
    };
    const Case cases[] = {
        {"empty", {}},
        {"start marker only", QByteArray("\xFF\xD8", 2)},
        {"garbage", garbage},
        {"start marker then garbage", QByteArray("\xFF\xD8", 2) + garbage},
        {"PNG", png},
        {"text", "not a picture"},
        {"cut in the header", good.left(100)},
        {"cut in the picture data", good.left(good.size() / 2)},
        {"end marker missing", good.left(good.size() - 2)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(DecodeJpeg(c.data).isNull());
    }
    // Every cut, run under the sanitizers: no read past the data, never a picture.
    for (qsizetype n = 0; n < good.size(); n += 37) {
        SCOPED_TRACE(n);
        EXPECT_TRUE(DecodeJpeg(good.left(n)).isNull());
    }
    EXPECT_TRUE(LoadJpeg(":/banners/none.jpg").isNull());
    EXPECT_TRUE(LoadJpeg("/nonexistent/picture.jpg").isNull());
}

TEST(DecodeJpeg, GarbledPictureDataDoesNotCrash) {
    QByteArray data = ReadResource(":/banners/about.jpg");
    const qsizetype sos = data.indexOf(QByteArray("\xFF\xDA", 2));
    ASSERT_GT(sos, 0);
    std::mt19937 rng(11);
    for (int round = 0; round < 20; ++round) {
        QByteArray bad = data;
        for (qsizetype i = sos + 20; i < bad.size() - 2; i += 1 + rng() % 64)
            bad[i] = static_cast<char>(rng());
        // Damage may or may not be noticed by the decoder; either way the result is sound.
        QImage img = DecodeJpeg(bad);
        if (!img.isNull()) {
            EXPECT_EQ(img.size(), QSize(380, 117));
        }
    }
}

}  // namespace
