#include "navbar/background.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace orv {
namespace {

using test::Doubled;

QImage Filled(int w, int h, TColor color) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(ColorToPixel(color));
    return image;
}

TColor At(const QImage& image, int x, int y) {
    return PixelToColor(image.pixel(x, y));
}

TColor Grey(int v) {
    return static_cast<TColor>(v * 0x010101);
}

// Draws a black-to-white gradient of the style w x h and returns the image.
QImage DrawGradient(TmxGradientStyle style, int w, int h, TColor behind = clLime) {
    TmxGradient g;
    g.SetBeginColor(clBlack);
    g.SetEndColor(clWhite);
    g.SetDrawStyle(style);
    QImage image = Filled(w, h, behind);
    TCanvas canvas(&image);
    g.Draw(&canvas, {0, 0, w, h});
    return image;
}

TEST(TmxGradientTest, NewObjectDefaults) {
    TmxGradient g;
    EXPECT_EQ(g.BeginColor(), clBtnFace);
    EXPECT_EQ(g.EndColor(), clBlue);
    EXPECT_EQ(g.DrawStyle(), gtLeftToRight);
    EXPECT_EQ(g.Direction(), gdNormal);
    EXPECT_EQ(g.CacheRect(), TRect());
    // The system colour's value counts as it is stored: (15, 0, 0).
    EXPECT_EQ(g.ColorRamp()[0], 0x00000Fu);
    EXPECT_EQ(g.ColorRamp()[1], 0x00000Fu);
}

TEST(TmxGradientTest, RampEntries) {
    struct Case {
        TColor begin, end;
        TmxGradientStyle style;
        TmxGradientDirection direction;
        int index;
        std::uint32_t entry;
    } cases[] = {
        {clBlack, clWhite, gtLeftToRight, gdNormal, 0, 0},
        {clBlack, clWhite, gtLeftToRight, gdNormal, 1, 0},
        {clBlack, clWhite, gtLeftToRight, gdNormal, 2, 0x010101},
        {clBlack, clWhite, gtLeftToRight, gdNormal, 128, 0x7F7F7F},
        {clBlack, clWhite, gtLeftToRight, gdNormal, 255, 0xFEFEFE},
        {clBlack, clWhite, gtLeftToRight, gdInverse, 0, 0xFFFFFF},
        {clBlack, clWhite, gtLeftToRight, gdInverse, 255, 0x010101},
        // Out and back: 127 steps up to the end colour, then back.
        {clBlack, clWhite, gtVerticalToCenter, gdNormal, 0, 0},
        {clBlack, clWhite, gtVerticalToCenter, gdNormal, 1, 0},
        {clBlack, clWhite, gtVerticalToCenter, gdNormal, 127, 0xFDFDFD},
        {clBlack, clWhite, gtHorizontalToCenter, gdNormal, 128, 0xFFFFFF},
        {clBlack, clWhite, gtHorizontalToCenter, gdNormal, 129, 0xFDFDFD},
        {clBlack, clWhite, gtHorizontalToCenter, gdNormal, 130, 0xFBFBFB},
        {clBlack, clWhite, gtVerticalToCenter, gdNormal, 255, 0},
        // Channels stay in their bytes: red 255 -> 1, blue 0 -> 254.
        {clRed, clBlue, gtTopToBottom, gdNormal, 255, 0xFE0001},
        {clRed, clBlue, gtTopToBottom, gdNormal, 0, 0x0000FF},
        {0x204060, 0x204060, gtEllipse, gdNormal, 200, 0x204060},
    };
    for (const Case& c : cases) {
        TmxGradient g;
        g.SetBeginColor(c.begin);
        g.SetEndColor(c.end);
        g.SetDrawStyle(c.style);
        g.SetDirection(c.direction);
        EXPECT_EQ(g.ColorRamp()[c.index], c.entry) << "style " << c.style << " index " << c.index;
    }
}

TEST(TmxGradientTest, BandPixels) {
    // Band i (i >= 1) starts at Trunc(8/255 * (i - 1)); the last band to cover a pixel wins.
    const std::vector<int> ramp = {31, 63, 95, 127, 159, 191, 223, 254};
    const std::vector<int> outAndBack = {62, 126, 191, 255, 191, 126, 62, 0};
    struct Case {
        TmxGradientStyle style;
        bool horizontal;
        std::vector<int> grey;
    } cases[] = {
        {gtLeftToRight, true, ramp},
        {gtTopToBottom, false, ramp},
        {gtHorizontalToCenter, true, outAndBack},
        {gtVerticalToCenter, false, outAndBack},
    };
    for (const Case& c : cases) {
        const QImage image = DrawGradient(c.style, c.horizontal ? 8 : 1, c.horizontal ? 1 : 8);
        for (int k = 0; k < 8; ++k) {
            EXPECT_EQ(At(image, c.horizontal ? k : 0, c.horizontal ? 0 : k), Grey(c.grey[k]))
                << "style " << c.style << " pixel " << k;
        }
    }
}

TEST(TmxGradientTest, TwoFirstBandsStartAtTheLeftEdge) {
    const QImage image = DrawGradient(gtLeftToRight, 256, 1);
    EXPECT_EQ(At(image, 0, 0), Grey(0));
    EXPECT_EQ(At(image, 1, 0), Grey(1));
    EXPECT_EQ(At(image, 254, 0), Grey(254));
    EXPECT_EQ(At(image, 255, 0), Grey(254));
}

TEST(TmxGradientTest, OtherStylesAtChosenPoints) {
    EXPECT_EQ(At(DrawGradient(gtCornerTopLeft, 16, 16), 0, 0), Grey(254));
    EXPECT_EQ(At(DrawGradient(gtDiagonalFalling, 254, 254), 0, 0), Grey(0));
    // The pyramid's top row starts line i in entry Trunc(i * 255 / (W + H)).
    EXPECT_EQ(At(DrawGradient(gtPyramid, 8, 8), 2, 0), Grey(30));
    // The innermost ellipse of 20x10 takes entry Trunc(7 * 255 / 8); the corners stay as they
    // were.
    const QImage ellipse = DrawGradient(gtEllipse, 20, 10);
    EXPECT_EQ(At(ellipse, 10, 5), Grey(222));
    EXPECT_EQ(At(ellipse, 0, 0), clLime);
    EXPECT_EQ(At(ellipse, 19, 9), clLime);
}

TEST(TmxGradientTest, TinyEllipsesLeaveOnlyTheSilverFill) {
    const std::vector<std::pair<int, int>> sizes = {{0, 0}, {1, 1}, {1, 7}, {7, 1},
                                                    {4, 4}, {5, 9}, {9, 3}};
    for (const auto& [w, h] : sizes) {
        TmxGradient g;
        g.SetDrawStyle(gtEllipse);
        QImage image = Filled(10, 10, clLime);
        const QImage before = image;
        TCanvas canvas(&image);
        g.Draw(&canvas, {0, 0, w, h});
        EXPECT_EQ(image, before) << w << "x" << h;
        const QImage& cache = g.CacheBitmap();
        for (int y = 0; y < cache.height(); ++y) {
            for (int x = 0; x < cache.width(); ++x) {
                ASSERT_EQ(At(cache, x, y), clSilver) << w << "x" << h;
            }
        }
    }
}

TEST(TmxGradientTest, RendersOncePerSize) {
    TmxGradient g;
    QImage image = Filled(8, 4, clLime);
    TCanvas canvas(&image);
    g.Draw(&canvas, {0, 0, 8, 1});
    EXPECT_EQ(g.CacheRect(), TRect(0, 0, 8, 1));
    g.Draw(&canvas, {0, 2, 8, 3});  // moved: the cache is reused
    EXPECT_EQ(g.CacheRect(), TRect(0, 0, 8, 1));
    EXPECT_EQ(image.copy(0, 2, 8, 1), image.copy(0, 0, 8, 1));
    g.Draw(nullptr, {0, 0, 4, 2});  // resized: rendered, nothing drawn
    EXPECT_EQ(g.CacheRect(), TRect(0, 0, 4, 2));
    EXPECT_EQ(g.CacheBitmap().size(), QSize(4, 2));
    EXPECT_EQ(At(image, 0, 1), clLime);
}

// A gradient larger than the image it is drawn on keeps only the part the image shows, and
// that part has the pixels of the whole gradient.
TEST(TmxGradientTest, OnlyThePartInsideTheImageIsRenderedAndKept) {
    for (TmxGradientStyle style : {gtCornerTopLeft, gtDiagonalRising, gtEllipse, gtPyramid,
                                   gtHorizontalToCenter, gtTopToBottom}) {
        SCOPED_TRACE(testing::Message() << "style " << style);
        const QImage whole = DrawGradient(style, 60, 40);
        TmxGradient g;
        g.SetBeginColor(clBlack);
        g.SetEndColor(clWhite);
        g.SetDrawStyle(style);
        QImage image = Filled(30, 20, clLime);
        TCanvas canvas(&image);
        g.Draw(&canvas, {-20, -10, 40, 30});
        EXPECT_EQ(g.CacheBitmap().size(), QSize(30, 20));
        EXPECT_EQ(g.CachePart(), TRect(20, 10, 50, 30));
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 30; ++x) {
                ASSERT_EQ(At(image, x, y), At(whole, x + 20, y + 10)) << x << "," << y;
            }
        }
    }
}

TEST(TmxGradientTest, ChangingEndColourChangesTheNextDraw) {
    TmxGradient g;
    g.SetBeginColor(clBlack);
    g.SetEndColor(clWhite);
    QImage image = Filled(8, 1, clLime);
    TCanvas canvas(&image);
    g.Draw(&canvas, {0, 0, 8, 1});
    EXPECT_EQ(At(image, 7, 0), Grey(254));
    g.SetEndColor(clRed);
    EXPECT_EQ(g.CacheRect(), TRect());
    g.Draw(&canvas, {0, 0, 8, 1});
    EXPECT_EQ(At(image, 7, 0), TColor{0x0000FE});
}

TEST(TmxGradientTest, ChangeNotices) {
    TmxGradient g;
    int notices = 0;
    TPersistent* sender = nullptr;
    g.SetOnChangeParameter([&](TPersistent* s) {
        ++notices;
        sender = s;
    });
    g.SetDrawStyle(gtLeftToRight);  // unchanged: quiet
    g.SetDirection(gdNormal);
    EXPECT_EQ(notices, 0);
    g.SetDrawStyle(gtEllipse);
    g.SetDirection(gdInverse);
    EXPECT_EQ(notices, 2);
    g.SetBeginColor(g.BeginColor());  // colours report even when unchanged
    g.SetEndColor(g.EndColor());
    EXPECT_EQ(notices, 4);
    EXPECT_EQ(sender, &g);

    TmxGradient other;
    other.SetEndColor(clRed);
    other.SetDrawStyle(gtPyramid);
    g.Draw(nullptr, {0, 0, 4, 4});
    g.Assign(other);
    EXPECT_EQ(notices, 5);
    EXPECT_EQ(g.EndColor(), clRed);
    EXPECT_EQ(g.DrawStyle(), gtPyramid);
    EXPECT_EQ(g.Direction(), gdNormal);
    EXPECT_EQ(g.CacheRect(), TRect());
    EXPECT_EQ(g.ColorRamp(), other.ColorRamp());
}

TEST(BlendRectWithColorTest, WashesEachChannel) {
    struct Case {
        TColor pixel;
        int weight;
        TColor color;
        TColor result;
    } cases[] = {
        {clBlack, 105, clWhite, Grey(104)},  // AlphaBlend 150 over black
        {clWhite, 255, clBlack, clBlack},
        {clWhite, 0, clBlack, Grey(254)},    // the div 256 loses a step
        {0xC86400, 128, clRed, 0x63317F},    // red 127, green 49, blue 99
        {0x123456, 77, 0x123456, 0x123456},  // already the colour
        {clSilver, 200, clBtnFace, clSilver},
        {clBlack, 128, clBtnFace, Grey(96)},
    };
    for (const Case& c : cases) {
        QImage image = Filled(2, 1, c.pixel);
        BlendRectWithColor(&image, {0, 0, 1, 1}, c.weight, c.color);
        EXPECT_EQ(At(image, 0, 0), c.result) << std::hex << c.pixel << " " << c.color;
        EXPECT_EQ(At(image, 1, 0), ColorToRGB(c.pixel));
    }
}

TEST(BlendRectWithColorTest, RectangleIsCutToTheImage) {
    struct Case {
        TRect r;
        std::vector<std::string> rows;
    } cases[] = {
        {{5, 0, 8, 4}, {"....", "....", "....", "...."}},
        {{0, 5, 4, 9}, {"....", "....", "....", "...."}},
        {{4, 0, 8, 4}, {"....", "....", "....", "...."}},
        {{2, 2, 10, 10}, {"....", "....", "..##", "..##"}},
        {{-3, -3, 1, 1}, {"#...", "....", "....", "...."}},
    };
    for (const Case& c : cases) {
        QImage image = Filled(4, 4, clBlack);
        BlendRectWithColor(&image, c.r, 255, clWhite);
        std::vector<std::string> rows;
        for (int y = 0; y < 4; ++y) {
            std::string row;
            for (int x = 0; x < 4; ++x) {
                row += At(image, x, y) == Grey(254) ? '#' : At(image, x, y) == clBlack ? '.' : '?';
            }
            rows.push_back(row);
        }
        EXPECT_EQ(rows, c.rows) << c.r.Left << "," << c.r.Top;
    }
}

TEST(TmxBackgroundTest, NewObjectDefaults) {
    TmxBackground b;
    EXPECT_EQ(b.Color(), clGray);
    EXPECT_EQ(b.AlphaBlend(), 255);
    EXPECT_EQ(b.Style(), btSolid);
    EXPECT_EQ(b.BitmapCopy(), bcSrcCopy);
    EXPECT_FALSE(b.Grayscale());
    EXPECT_TRUE(b.Bitmap().isNull());
    EXPECT_EQ(TmxButtonBackground().Color(), clBtnFace);
}

TEST(TmxBackgroundTest, PaintsOnlyItsRectangle) {
    TmxBackground b;
    b.SetColor(clBtnFace);
    QImage image = Filled(4, 3, clBlack);
    b.PaintBackground(&image, {1, 1, 3, 2});
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(At(image, x, y), (x >= 1 && x < 3 && y == 1) ? clSilver : clBlack)
                << x << "," << y;
        }
    }
    b.PaintBackground(&image, {3, 0, 3, 3});  // no width: nothing
    EXPECT_EQ(At(image, 3, 0), clBlack);
}

TEST(TmxBackgroundTest, AlphaWashesWhatIsAlreadyPainted) {
    TmxBackground b;
    b.SetStyle(btTransparent);
    b.SetColor(clWhite);
    b.SetAlphaBlend(150);
    QImage image = Filled(2, 2, clBlack);
    b.PaintBackground(&image, {0, 0, 2, 2});
    EXPECT_EQ(At(image, 1, 1), Grey(104));
    // A solid surface at 0 is the colour itself.
    b.SetStyle(btSolid);
    b.SetAlphaBlend(0);
    b.SetColor(clRed);
    b.PaintBackground(&image, {0, 0, 2, 2});
    EXPECT_EQ(At(image, 0, 0), clRed);
}

TEST(TmxBackgroundTest, GreyscaleAveragesTheBytes) {
    struct Case {
        TColor pixel;
        TColor grey;
    } cases[] = {
        {0x1E3C5A, Grey(45)},  // bytes 30, 60, 90 and an empty fourth
        {clWhite, Grey(191)},
        {clRed, Grey(63)},
        {clBlack, clBlack},
    };
    for (const Case& c : cases) {
        TmxBackground b;
        b.SetStyle(btTransparent);
        b.SetGrayscale(true);
        QImage image = Filled(1, 1, c.pixel);
        b.PaintBackground(&image, {0, 0, 1, 1});
        EXPECT_EQ(At(image, 0, 0), c.grey) << std::hex << c.pixel;
    }
}

TEST(TmxBackgroundTest, GreyscaleStopsAtTheImageEdge) {
    TmxBackground b;
    b.SetStyle(btTransparent);
    b.SetGrayscale(true);
    QImage image = Filled(4, 4, clRed);
    b.PaintBackground(&image, {2, 2, 40, 40});
    b.PaintBackground(&image, {-5, -5, 1, 1});
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            const bool grey = (x >= 2 && y >= 2) || (x == 0 && y == 0);
            EXPECT_EQ(At(image, x, y), grey ? Grey(63) : clRed) << x << "," << y;
        }
    }
}

TEST(TmxBackgroundTest, GradientStyleFillsThenDrawsTheGradient) {
    TmxBackground b;
    b.SetStyle(btGradient);
    b.Gradient().SetBeginColor(clBlack);
    b.Gradient().SetEndColor(clWhite);
    b.Gradient().SetDrawStyle(gtEllipse);
    QImage image = Filled(24, 12, clLime);
    b.PaintBackground(&image, {2, 1, 22, 11});
    EXPECT_EQ(At(image, 2, 1), clGray);  // outside the outer ellipse: the fill
    EXPECT_EQ(At(image, 12, 6), Grey(222));
    EXPECT_EQ(At(image, 0, 0), clLime);
}

TEST(TmxBackgroundTest, PicturesClipAndCombine) {
    QImage picture(2, 2, QImage::Format_RGB32);
    picture.setPixel(0, 0, ColorToPixel(clRed));
    picture.setPixel(1, 0, ColorToPixel(clLime));
    picture.setPixel(0, 1, ColorToPixel(clBlue));
    picture.setPixel(1, 1, ColorToPixel(clBlack));
    const TColor tile[2][2] = {{clRed, clLime}, {clBlue, clBlack}};

    TmxBackground b;
    b.SetBitmap(picture);
    b.SetStyle(btTileBitmap);
    b.SetColor(clWhite);
    QImage image = Filled(8, 5, clGreen);
    b.PaintBackground(&image, {1, 1, 6, 4});
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 8; ++x) {
            const bool inside = x >= 1 && x < 6 && y >= 1 && y < 4;
            EXPECT_EQ(At(image, x, y), inside ? tile[(y - 1) % 2][(x - 1) % 2] : clGreen)
                << x << "," << y;
        }
    }

    struct Case {
        TmxBitmapCopy copy;
        TColor result;  // the red pixel over the fill of Color (green)
    } cases[] = {
        {bcSrcCopy, clRed},       {bcSrcPaint, 0x0080FF},  // red or green
        {bcSrcErase, clRed},                               // red and not green
        {bcMergePaint, 0xFFFF00},                          // not red, or green
        {bcMergeCopy, 0x000000},                           // red and the brush (green)
    };
    for (const Case& c : cases) {
        TmxBackground p;
        p.SetBitmap(picture);
        p.SetStyle(btBitmap);
        p.SetColor(clGreen);
        p.SetBitmapCopy(c.copy);
        QImage target = Filled(3, 3, clWhite);
        p.PaintBackground(&target, {1, 1, 2, 2});
        EXPECT_EQ(At(target, 1, 1), c.result) << c.copy;
        EXPECT_EQ(At(target, 2, 2), clWhite) << c.copy;
    }
}

TEST(TmxBackgroundTest, ChangeNoticesReachTheOwnerOnce) {
    TmxBackground b;
    std::vector<TPersistent*> senders;
    b.SetOnChangeParameter([&](TPersistent* s) { senders.push_back(s); });

    b.SetAlphaBlend(255);
    b.SetBitmapCopy(bcSrcCopy);
    b.SetStyle(btSolid);
    b.SetColor(clGray);
    b.SetGrayscale(false);
    EXPECT_TRUE(senders.empty());

    b.SetAlphaBlend(10);
    b.SetBitmapCopy(bcSrcPaint);
    b.SetStyle(btGradient);
    b.SetColor(clRed);
    b.SetGrayscale(true);
    b.SetBitmap(QImage());  // the picture reports every time
    EXPECT_EQ(senders, std::vector<TPersistent*>(6, &b));

    senders.clear();
    b.Gradient().SetDrawStyle(gtPyramid);
    EXPECT_EQ(senders, std::vector<TPersistent*>{&b.Gradient()});
}

TEST(TmxBackgroundTest, AssignCopiesFromBackgroundsOnly) {
    TmxButtonBackground source;
    source.SetAlphaBlend(7);
    source.SetStyle(btTileBitmap);
    source.SetBitmapCopy(bcSrcErase);
    source.SetGrayscale(true);
    source.SetBitmap(QImage(3, 2, QImage::Format_RGB32));
    source.Gradient().SetDrawStyle(gtDiagonalRising);

    TmxBackground b;
    std::vector<TPersistent*> senders;
    b.SetOnChangeParameter([&](TPersistent* s) { senders.push_back(s); });
    b.Assign(source);
    EXPECT_EQ(b.AlphaBlend(), 7);
    EXPECT_EQ(b.Style(), btTileBitmap);
    EXPECT_EQ(b.BitmapCopy(), bcSrcErase);
    EXPECT_EQ(b.Color(), clBtnFace);
    EXPECT_TRUE(b.Grayscale());
    EXPECT_EQ(b.Bitmap().size(), QSize(3, 2));
    EXPECT_EQ(b.Gradient().DrawStyle(), gtDiagonalRising);
    // The gradient reports its own copy, then the background once.
    EXPECT_EQ(senders, (std::vector<TPersistent*>{&b.Gradient(), &b}));

    TmxButtonBackground back;
    back.Assign(b);
    EXPECT_EQ(back.AlphaBlend(), 7);

    TmxGradient gradient;
    try {
        b.Assign(gradient);
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Cannot assign a TmxGradient to a TmxBackground");
    }
    try {
        gradient.Assign(b);
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Cannot assign a TmxBackground to a TmxGradient");
    }
    EXPECT_EQ(b.AlphaBlend(), 7);
}

// Paints again from inside its own paint, as a change handler could.
class ReenteringBackground : public TmxBackground {
  public:
    QImage* target = nullptr;
    int fills = 0;

  protected:
    void FillColor(TCanvas& canvas, const TRect& r) override {
        ++fills;
        EXPECT_TRUE(Painting());
        PaintBackground(target, r);
        TmxBackground::FillColor(canvas, r);
    }
};

TEST(TmxBackgroundTest, PaintingDoesNotReenter) {
    ReenteringBackground b;
    QImage image = Filled(2, 2, clBlack);
    b.target = &image;
    b.PaintBackground(&image, {0, 0, 2, 2});
    EXPECT_EQ(b.fills, 1);
    EXPECT_FALSE(b.Painting());
    EXPECT_EQ(At(image, 0, 0), clGray);
}

class FailingBackground : public TmxBackground {
  protected:
    void FillColor(TCanvas&, const TRect&) override { throw std::runtime_error("out of memory"); }
};

TEST(TmxBackgroundTest, AFailingPaintDoesNotThrowAndCanPaintAgain) {
    FailingBackground b;
    QImage image = Filled(2, 2, clBlack);
    EXPECT_NO_THROW(b.PaintBackground(&image, {0, 0, 2, 2}));
    EXPECT_FALSE(b.Painting());
}

// 8 x 6 pixels of varied colours, for washes and greys to work on.
QImage Pattern() {
    QImage image = Filled(8, 6, clWhite);
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 8; ++x) {
            image.setPixel(x, y, ColorToPixel(static_cast<TColor>((x * 37 + y * 91) * 0x010305)));
        }
    }
    return image;
}

TEST(DoubleScaleTest, SurfacesCoverTheBlocksOfTheirRectangle) {
    QImage picture(2, 2, QImage::Format_RGB32);
    picture.setPixel(0, 0, ColorToPixel(clRed));
    picture.setPixel(1, 0, ColorToPixel(clLime));
    picture.setPixel(0, 1, ColorToPixel(clBlue));
    picture.setPixel(1, 1, ColorToPixel(clBlack));
    struct Case {
        const char* name;
        std::function<void(TmxBackground&)> setup;
        TRect r;
    } cases[] = {
        {"solid", [](TmxBackground&) {}, {1, 1, 5, 3}},
        {"solid past the image", [](TmxBackground&) {}, {3, 2, 40, 40}},
        {"tiles",
         [&](TmxBackground& b) {
             b.SetBitmap(picture);
             b.SetStyle(btTileBitmap);
         },
         {1, 1, 6, 6}},
        {"picture erasing",
         [&](TmxBackground& b) {
             b.SetBitmap(picture);
             b.SetStyle(btBitmap);
             b.SetBitmapCopy(bcSrcErase);
         },
         {2, 1, 7, 5}},
        {"wash over what is there",
         [](TmxBackground& b) {
             b.SetStyle(btTransparent);
             b.SetColor(clWhite);
             b.SetAlphaBlend(150);
         },
         {0, 1, 7, 6}},
        {"grey past the image",
         [](TmxBackground& b) {
             b.SetStyle(btTransparent);
             b.SetGrayscale(true);
         },
         {-2, 3, 30, 30}},
        {"washed grey tiles",
         [&](TmxBackground& b) {
             b.SetBitmap(picture);
             b.SetStyle(btTileBitmap);
             b.SetAlphaBlend(60);
             b.SetColor(clNavy);
             b.SetGrayscale(true);
         },
         {1, 0, 8, 5}},
    };
    for (const Case& c : cases) {
        TmxBackground b;
        c.setup(b);
        QImage plain = Pattern();
        QImage twice = Doubled(plain);
        b.PaintBackground(&plain, c.r);
        b.PaintBackground(&twice, c.r);
        EXPECT_NE(plain, Pattern()) << c.name;
        EXPECT_TRUE(twice == Doubled(plain)) << c.name;
    }
}

TEST(DoubleScaleTest, APictureMadeForDoubleScaleTilesByItsLogicalSize) {
    // 4 x 4 image pixels, 2 x 2 logical: a checkerboard finer than a logical pixel.
    QImage picture(4, 4, QImage::Format_RGB32);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            picture.setPixel(x, y, ColorToPixel((x + y) % 2 ? clRed : clBlue));
        }
    }
    picture.setDevicePixelRatio(2);
    TmxBackground b;
    b.SetBitmap(picture);
    b.SetStyle(btTileBitmap);
    QImage image = Doubled(Filled(8, 6, clWhite));
    b.PaintBackground(&image, {1, 1, 6, 4});
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const bool inside = x >= 2 && x < 12 && y >= 2 && y < 8;
            EXPECT_EQ(At(image, x, y), !inside       ? clWhite
                                       : (x + y) % 2 ? clRed
                                                     : clBlue)
                << x << "," << y;
        }
    }
}

TEST(DoubleScaleTest, BlendRectWithColorTouchesOnlyItsBlocks) {
    const TRect rects[] = {{1, 1, 4, 3}, {5, 0, 8, 6}, {6, 2, 20, 20}, {-3, -3, 2, 1},
                           {8, 0, 9, 6}, {0, 7, 8, 9}, {3, 3, 3, 5}};
    for (const TRect& r : rects) {
        QImage plain = Pattern();
        QImage twice = Doubled(plain);
        BlendRectWithColor(&plain, r, 90, clRed);
        BlendRectWithColor(&twice, r, 90, clRed);
        EXPECT_TRUE(twice == Doubled(plain))
            << r.Left << "," << r.Top << "," << r.Right << "," << r.Bottom;
    }
}

TEST(DoubleScaleTest, GradientEndsKeepTheirColours) {
    // Rendered per image pixel at double scale, each style still starts and ends where it does
    // at single scale, inside the blocks of its rectangle.
    const TRect r{2, 1, 258, 257};
    for (int style = gtCornerTopLeft; style <= gtTopToBottom; ++style) {
        QImage images[2] = {Filled(260, 260, clLime), Doubled(Filled(260, 260, clLime))};
        TmxGradient g;
        g.SetBeginColor(clBlack);
        g.SetEndColor(clWhite);
        g.SetDrawStyle(static_cast<TmxGradientStyle>(style));
        for (QImage& image : images) {
            TCanvas canvas(&image);
            g.Draw(&canvas, r);
        }
        const QImage& plain = images[0];
        const QImage& twice = images[1];
        EXPECT_EQ(g.CacheBitmap().size(), QSize(512, 512)) << style;
        const TPoint corners[] = {{r.Left, r.Top},
                                  {r.Right - 1, r.Top},
                                  {r.Left, r.Bottom - 1},
                                  {r.Right - 1, r.Bottom - 1}};
        for (const TPoint& p : corners) {
            // The outer image pixel of the corner's block.
            const int x = 2 * p.X + (p.X == r.Left ? 0 : 1);
            const int y = 2 * p.Y + (p.Y == r.Top ? 0 : 1);
            EXPECT_EQ(At(twice, x, y), At(plain, p.X, p.Y))
                << "style " << style << " at " << p.X << "," << p.Y;
        }
        // Nothing outside the rectangle's blocks.
        for (int y = 0; y < twice.height(); ++y) {
            for (int x = 0; x < twice.width(); ++x) {
                if (!r.Contains(x / 2, y / 2)) {
                    ASSERT_EQ(At(twice, x, y), clLime) << "style " << style << " " << x << "," << y;
                }
            }
        }
    }
}

TEST(DoubleScaleTest, GradientRendersAgainWhenTheScaleChanges) {
    TmxGradient g;
    QImage plain = Filled(8, 4, clLime);
    QImage twice = Doubled(plain);
    TCanvas plainCanvas(&plain);
    TCanvas twiceCanvas(&twice);
    g.Draw(&plainCanvas, {0, 0, 8, 4});
    EXPECT_EQ(g.CacheBitmap().size(), QSize(8, 4));
    g.Draw(&twiceCanvas, {0, 0, 8, 4});
    EXPECT_EQ(g.CacheBitmap().size(), QSize(16, 8));
    g.Draw(nullptr, {0, 0, 3, 3});  // no canvas: the last scale
    EXPECT_EQ(g.CacheBitmap().size(), QSize(6, 6));
    g.Draw(&plainCanvas, {0, 0, 3, 3});
    EXPECT_EQ(g.CacheBitmap().size(), QSize(3, 3));
}

}  // namespace
}  // namespace orv
