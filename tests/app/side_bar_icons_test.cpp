// The tool pictures of the side bar: drawn for each size, sharp, transparent around the shape.
#include "app/side_bar_icons.h"

#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>
#include <vector>

#include "navbar/image_list.h"

namespace orv {
namespace {

std::vector<TToolIcon> AllTools() {
    std::vector<TToolIcon> tools;
    for (int i = 0; i < kToolIconCount; ++i)
        tools.push_back(static_cast<TToolIcon>(i));
    return tools;
}

QImage Argb(const QImage& image) {
    return image.convertToFormat(QImage::Format_ARGB32);
}

int Alpha(const QImage& image, int x, int y) {
    return qAlpha(image.pixel(x, y));
}

// Pixels whose colour or alpha differs by more than `tolerance` in some channel.
int DifferingPixels(const QImage& a, const QImage& b, int tolerance) {
    const QImage pa = Argb(a), pb = Argb(b);
    int n = 0;
    for (int y = 0; y < pa.height(); ++y) {
        for (int x = 0; x < pa.width(); ++x) {
            const QRgb u = pa.pixel(x, y), v = pb.pixel(x, y);
            if (std::abs(qRed(u) - qRed(v)) > tolerance ||
                std::abs(qGreen(u) - qGreen(v)) > tolerance ||
                std::abs(qBlue(u) - qBlue(v)) > tolerance ||
                std::abs(qAlpha(u) - qAlpha(v)) > tolerance)
                ++n;
        }
    }
    return n;
}

class SideBarIcons : public ::testing::TestWithParam<int> {};

TEST_P(SideBarIcons, EachIsAShapeWithClearCorners) {
    const int size = GetParam();
    for (TToolIcon tool : AllTools()) {
        SCOPED_TRACE(static_cast<int>(tool));
        const QImage icon = Argb(ToolIcon(tool, size));
        ASSERT_EQ(icon.size(), QSize(size, size));
        int opaque = 0, partial = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const int a = Alpha(icon, x, y);
                opaque += a == 255;
                partial += a > 0 && a < 255;
            }
        }
        // A picture, not a speck.
        EXPECT_GT(opaque, size * size / 6);
        // Sharp: straight edges sit on pixels, so only curves leave part-covered pixels.
        EXPECT_LT(partial, opaque / 2) << partial << " of " << opaque;
        for (const QPoint corner :
             {QPoint(0, 0), QPoint(size - 1, 0), QPoint(0, size - 1), QPoint(size - 1, size - 1)})
            EXPECT_EQ(Alpha(icon, corner.x(), corner.y()), 0) << corner.x() << "," << corner.y();
    }
}

TEST_P(SideBarIcons, EightDifferentPictures) {
    const int size = GetParam();
    for (TToolIcon a : AllTools()) {
        for (TToolIcon b : AllTools()) {
            if (a >= b)
                continue;
            EXPECT_GT(DifferingPixels(ToolIcon(a, size), ToolIcon(b, size), 64), size * size / 8)
                << static_cast<int>(a) << " vs " << static_cast<int>(b);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, SideBarIcons, ::testing::Values(16, 32));

// The double-size picture is drawn for its size, not blown up from the small one.
TEST(SideBarIconsDoubleSize, IsDrawnNotScaled) {
    for (TToolIcon tool : AllTools()) {
        SCOPED_TRACE(static_cast<int>(tool));
        const QImage small = ToolIcon(tool, 16);
        const QImage large = ToolIcon(tool, 32);
        for (Qt::TransformationMode mode : {Qt::FastTransformation, Qt::SmoothTransformation}) {
            const QImage blown = small.scaled(32, 32, Qt::IgnoreAspectRatio, mode);
            EXPECT_GT(DifferingPixels(large, blown, 48), 32 * 32 / 20) << mode;
        }
    }
}

TEST(SideBarIconsList, HoldsEveryToolAtBothSizes) {
    TImageList list(16, 16);
    list.Add(QImage(16, 16, QImage::Format_ARGB32));  // a picture already there
    EXPECT_EQ(AddToolIcons(list), 1);
    ASSERT_EQ(list.Count(), 1 + kToolIconCount);
    for (TToolIcon tool : AllTools()) {
        const int i = 1 + static_cast<int>(tool);
        EXPECT_EQ(DifferingPixels(list.Image(i), ToolIcon(tool, 16), 0), 0) << i;
        ASSERT_EQ(list.DoubleSize(i).size(), QSize(32, 32)) << i;
        EXPECT_EQ(DifferingPixels(list.DoubleSize(i), ToolIcon(tool, 32), 0), 0) << i;
    }
}

}  // namespace
}  // namespace orv
