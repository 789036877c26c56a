#include "navbar/drawing.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "fake_bar.h"

namespace orv {
namespace {

QImage Filled(int w, int h, TColor color) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(ColorToPixel(color));
    return image;
}

TColor At(const QImage& image, int x, int y) {
    return PixelToColor(image.pixel(x, y));
}

// The image as rows of letters, one per pixel, through a legend of colours ('?' for others).
std::vector<std::string> Rows(const QImage& image,
                              const std::vector<std::pair<char, TColor>>& legend) {
    std::vector<std::string> rows;
    for (int y = 0; y < image.height(); ++y) {
        std::string row;
        for (int x = 0; x < image.width(); ++x) {
            const TColor c = PixelToColor(image.pixel(x, y));
            char letter = '?';
            for (const auto& [l, color] : legend) {
                if (ColorToRGB(color) == c) {
                    letter = l;
                    break;
                }
            }
            row += letter;
        }
        rows.push_back(row);
    }
    return rows;
}

TEST(TRectTest, RightAndBottomLieOutside) {
    const TRect r{2, 3, 6, 8};
    EXPECT_EQ(r.Width(), 4);
    EXPECT_EQ(r.Height(), 5);
    EXPECT_TRUE(r.Contains(5, 7));
    EXPECT_FALSE(r.Contains(6, 7));
    EXPECT_FALSE(r.Contains(5, 8));

    const QRect q = r.ToQRect();
    EXPECT_EQ(q, QRect(2, 3, 4, 5));
    EXPECT_EQ(q.right(), 5);
    EXPECT_EQ(q.bottom(), 7);
    EXPECT_EQ(TRect::FromQRect(q), r);
    EXPECT_EQ(TRect::FromQRect(QRect(QPoint(1, 1), QPoint(1, 1))), TRect(1, 1, 2, 2));

    EXPECT_TRUE(TRect(3, 3, 3, 9).IsEmpty());
    EXPECT_EQ(TRect(0, 0, 4, 4).Intersect({4, 0, 8, 4}), TRect());
    EXPECT_EQ(TRect(0, 0, 4, 4).Intersect({2, -1, 8, 3}), TRect(2, 0, 4, 3));
}

TEST(TRectTest, FillCoversWidthTimesHeightPixels) {
    QImage image = Filled(4, 4, clWhite);
    TCanvas canvas(&image);
    canvas.brush.Color = clBlack;
    canvas.FillRect({1, 1, 3, 3});
    EXPECT_EQ(Rows(image, {{'.', clWhite}, {'#', clBlack}}),
              (std::vector<std::string>{"....", ".##.", ".##.", "...."}));
}

TEST(TColorTest, ValuesAreBgrAndSystemColoursComeFromOnePalette) {
    struct Case {
        TColor color;
        TColor rgb;
    } cases[] = {
        {clRed, 0x0000FF},        {clBlue, 0xFF0000},
        {0x123456, 0x123456},     {clBtnFace, 0xC0C0C0},
        {clBtnShadow, 0x808080},  {clBtnHighlight, 0xFFFFFF},
        {clWindow, 0xFFFFFF},     {clWindowText, 0x000000},
        {clHighlight, 0x800000},  {clHighlightText, 0xFFFFFF},
        {cl3DDkShadow, 0x000000}, {cl3DLight, 0xDFDFDF},
        {clGrayText, 0x808080},   {clSystemColor | 0xEE, 0x000000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ColorToRGB(c.color), c.rgb) << std::hex << c.color;
    }
    // In the image red is red.
    EXPECT_EQ(ColorToPixel(clRed), 0xFFFF0000u);
    EXPECT_EQ(ToQColor(clRed), QColor(255, 0, 0));
    EXPECT_EQ(PixelToColor(qRgb(1, 2, 3)), 0x030201u);
}

TEST(TCanvasTest, Frame3DLightsTopLeftAndShadesBottomRight) {
    QImage image = Filled(4, 4, clGray);
    TCanvas canvas(&image);
    TRect r{0, 0, 4, 4};
    canvas.Frame3D(r, clWhite, clBlack, 1);
    EXPECT_EQ(Rows(image, {{'W', clWhite}, {'B', clBlack}, {'.', clGray}}),
              (std::vector<std::string>{"WWWB", "W..B", "W..B", "BBBB"}));
    EXPECT_EQ(r, TRect(1, 1, 3, 3));
}

TEST(TCanvasTest, EdgesTakeTheirRingColours) {
    const std::vector<std::pair<char, TColor>> legend = {{'s', clBtnShadow},
                                                         {'h', clBtnHighlight},
                                                         {'k', cl3DDkShadow},
                                                         {'l', cl3DLight},
                                                         {'.', clGreen}};
    struct Case {
        unsigned edge;
        unsigned flags;
        std::vector<std::string> rows;
        TRect after;
    } cases[] = {
        {EDGE_SUNKEN, BF_RECT | BF_ADJUST, {"sssh", "sklh", "sllh", "hhhh"}, {2, 2, 2, 2}},
        {EDGE_RAISED, BF_RECT, {"lllk", "lhsk", "lssk", "kkkk"}, {0, 0, 4, 4}},
        {BDR_RAISEDINNER, BF_RECT | BF_ADJUST, {"hhhs", "h..s", "h..s", "ssss"}, {1, 1, 3, 3}},
        {BDR_SUNKENOUTER, BF_TOP | BF_LEFT, {"sss.", "s...", "s...", "...."}, {0, 0, 4, 4}},
    };
    for (const Case& c : cases) {
        QImage image = Filled(4, 4, clGreen);
        TCanvas canvas(&image);
        TRect r{0, 0, 4, 4};
        canvas.DrawEdge(r, c.edge, c.flags);
        EXPECT_EQ(Rows(image, legend), c.rows) << c.edge;
        EXPECT_EQ(r, c.after) << c.edge;
    }
}

TEST(TCanvasTest, FocusRectIsDottedAndUndoesItself) {
    QImage image = Filled(5, 3, clWhite);
    const QImage before = image;
    TCanvas canvas(&image);
    canvas.DrawFocusRect({0, 0, 5, 3});
    EXPECT_EQ(Rows(image, {{'.', clWhite}, {'#', clBlack}}),
              (std::vector<std::string>{"#.#.#", ".....", "#.#.#"}));
    canvas.DrawFocusRect({0, 0, 5, 3});
    EXPECT_EQ(image, before);
}

TEST(TCanvasTest, ArrowsArePixelExact) {
    for (bool up : {true, false}) {
        QImage image = Filled(5, 3, clWhite);
        TCanvas canvas(&image);
        canvas.DrawArrow(2, 1, up, clBlack);
        const std::vector<std::string> expected =
            up ? std::vector<std::string>{"..#..", ".###.", "#####"}
               : std::vector<std::string>{"#####", ".###.", "..#.."};
        EXPECT_EQ(Rows(image, {{'.', clWhite}, {'#', clBlack}}), expected) << up;
    }
}

TEST(TCanvasTest, LinesLeaveOutTheirEndPoint) {
    QImage image = Filled(4, 4, clWhite);
    TCanvas canvas(&image);
    canvas.pen.Color = clBlack;
    canvas.MoveTo(0, 0);
    canvas.LineTo(3, 3);
    canvas.MoveTo(3, 0);
    canvas.LineTo(3, 2);
    EXPECT_EQ(Rows(image, {{'.', clWhite}, {'#', clBlack}}),
              (std::vector<std::string>{"#..#", ".#.#", "..#.", "...."}));
}

TEST(TCanvasTest, DrawingStaysInsideTheClipAndTheImage) {
    QImage image = Filled(4, 2, clWhite);
    TCanvas canvas(&image);
    canvas.SetClipRect({1, 0, 3, 2});
    canvas.brush.Color = clBlack;
    canvas.FillRect({-5, -5, 50, 50});
    canvas.DrawArrow(0, 0, true, clBlack);
    EXPECT_EQ(Rows(image, {{'.', clWhite}, {'#', clBlack}}),
              (std::vector<std::string>{".##.", ".##."}));
    canvas.ClearClipRect();
    canvas.FillRect({3, 1, 9, 9});
    EXPECT_EQ(Rows(image, {{'.', clWhite}, {'#', clBlack}}),
              (std::vector<std::string>{".##.", ".###"}));
}

TEST(TCanvasTest, DrawLeavesOutTheTransparentColour) {
    QImage source = Filled(2, 1, clSilver);
    source.setPixel(1, 0, ColorToPixel(clRed));
    QImage image = Filled(3, 1, clWhite);
    TCanvas canvas(&image);
    canvas.Draw(1, 0, source, clSilver);
    EXPECT_EQ(Rows(image, {{'.', clWhite}, {'r', clRed}, {'s', clSilver}}),
              (std::vector<std::string>{"..r"}));
    canvas.Draw(0, 0, source);
    EXPECT_EQ(Rows(image, {{'.', clWhite}, {'r', clRed}, {'s', clSilver}}),
              (std::vector<std::string>{"srr"}));
}

// An image of w x h logical pixels at scale s, as the bar makes it for its paint.
QImage FilledAt(int s, int w, int h, TColor color) {
    QImage image = Filled(w * s, h * s, color);
    image.setDevicePixelRatio(s);
    return image;
}

// Every pixel grown to an s x s block: what a primitive drawn at scale s must give.
QImage Upscaled(const QImage& image, int s) {
    QImage out(image.width() * s, image.height() * s, QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y) {
        for (int x = 0; x < out.width(); ++x) {
            out.setPixel(x, y, image.pixel(x / s, y / s));
        }
    }
    out.setDevicePixelRatio(s);
    return out;
}

// Where two images of one size first differ; empty when they do not.
std::string FirstDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) {
        return "sizes differ";
    }
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if ((a.pixel(x, y) & 0xFFFFFFu) != (b.pixel(x, y) & 0xFFFFFFu)) {
                std::ostringstream out;
                out << "(" << x << "," << y << "): " << std::hex << (a.pixel(x, y) & 0xFFFFFFu)
                    << " vs " << (b.pixel(x, y) & 0xFFFFFFu);
                return out.str();
            }
        }
    }
    return {};
}

// The smallest rectangle holding every pixel that is not `background`; empty when none is.
TRect Ink(const QImage& image, TColor background) {
    TRect ink{image.width(), image.height(), 0, 0};
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (PixelToColor(image.pixel(x, y)) != ColorToRGB(background)) {
                ink = {std::min(ink.Left, x), std::min(ink.Top, y), std::max(ink.Right, x + 1),
                       std::max(ink.Bottom, y + 1)};
            }
        }
    }
    return ink.IsEmpty() ? TRect() : ink;
}

// A 3 x 2 picture: red, lime, silver on top; blue, black, silver below.
QImage SmallPicture() {
    QImage picture(3, 2, QImage::Format_RGB32);
    const TColor colours[2][3] = {{clRed, clLime, clSilver}, {clBlue, clBlack, clSilver}};
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            picture.setPixel(x, y, ColorToPixel(colours[y][x]));
        }
    }
    return picture;
}

TEST(TCanvasScaleTest, PixelPrimitivesCoverWholeBlocksAtDoubleScale) {
    struct Case {
        const char* name;
        std::function<void(TCanvas&)> draw;
    } cases[] = {
        {"fill",
         [](TCanvas& c) {
             c.FillRect({2, 1, 7, 4});
         }},
        {"fill reversed",
         [](TCanvas& c) {
             c.FillRect({7, 4, 2, 1});
         }},
        {"frame",
         [](TCanvas& c) {
             c.FrameRect({1, 1, 9, 7});
         }},
        {"rectangle",
         [](TCanvas& c) {
             c.pen.Color = clRed;
             c.Rectangle({1, 2, 8, 9});
         }},
        {"lines",
         [](TCanvas& c) {
             c.MoveTo(0, 0);
             c.LineTo(11, 4);
             c.MoveTo(3, 9);
             c.LineTo(5, 0);
             c.pen.Style = TPenStyle::Dot;
             c.MoveTo(0, 8);
             c.LineTo(12, 8);
         }},
        {"pixels",
         [](TCanvas& c) {
             c.SetPixel(0, 0, clRed);
             c.SetPixel(11, 9, clBlue);
             c.SetPixel(12, 9, clBlue);  // outside: nothing
         }},
        {"arrows",
         [](TCanvas& c) {
             c.DrawArrow(3, 2, true, clNavy);
             c.DrawArrow(8, 6, false, clMaroon);
         }},
        {"focus rectangle",
         [](TCanvas& c) {
             c.FillRect({0, 0, 6, 10});
             c.DrawFocusRect({1, 1, 10, 8});
         }},
        {"3-D frame and edges",
         [](TCanvas& c) {
             TRect r{0, 0, 6, 5};
             c.Frame3D(r, clWhite, clBlack, 2);
             TRect e{5, 4, 12, 10};
             c.DrawEdge(e, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
         }},
        {"frame controls",
         [](TCanvas& c) {
             c.DrawFrameControl({0, 0, 13, 13}, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
         }},
        {"picture",
         [](TCanvas& c) {
             c.Draw(2, 3, SmallPicture());
             c.Draw(7, 7, SmallPicture(), clSilver);
             c.Draw(10, 9, SmallPicture());  // cut by the image's edge
         }},
        {"raster operation",
         [](TCanvas& c) {
             c.FillRect({0, 0, 12, 10});
             c.CopyMode(1, 1, SmallPicture(), TRasterOp::SrcPaint);
             c.brush.Color = clGray;
             c.CopyMode(5, 5, SmallPicture(), TRasterOp::MergeCopy);
         }},
        {"clip rectangle",
         [](TCanvas& c) {
             c.SetClipRect({3, 2, 6, 8});
             c.FillRect({0, 0, 12, 10});
             c.Draw(4, 6, SmallPicture());
         }},
        {"clip region",
         [](TCanvas& c) {
             c.SetClipRegion(QRegion(1, 1, 3, 3) + QRegion(6, 4, 4, 4));
             c.FillRect({0, 0, 12, 10});
             c.MoveTo(0, 6);
             c.LineTo(12, 6);
             c.CopyMode(7, 1, SmallPicture(), TRasterOp::SrcCopy);
         }},
    };
    for (const Case& c : cases) {
        QImage images[2] = {FilledAt(1, 12, 10, clWhite), FilledAt(2, 12, 10, clWhite)};
        for (QImage& image : images) {
            TCanvas canvas(&image);
            canvas.brush.Color = clGreen;
            c.draw(canvas);
        }
        ASSERT_NE(FirstDifference(images[0], Filled(12, 10, clWhite)), "") << c.name;
        EXPECT_EQ(FirstDifference(images[1], Upscaled(images[0], 2)), "") << c.name;
    }
}

TEST(TCanvasScaleTest, OneLogicalPixelIsABlockForLinesAndReading) {
    QImage image = FilledAt(2, 6, 6, clWhite);
    TCanvas canvas(&image);
    canvas.pen.Color = clBlack;
    canvas.MoveTo(1, 2);
    canvas.LineTo(5, 2);
    canvas.MoveTo(4, 0);
    canvas.LineTo(4, 6);
    // A one-pixel line is two image pixels wide.
    for (int p = 0; p < 12; ++p) {
        const bool across = p == 4 || p == 5;
        EXPECT_EQ(At(image, 6, p), across ? clBlack : clWhite) << "row " << p;
        const bool down = p == 8 || p == 9;
        EXPECT_EQ(At(image, p, 0), down ? clBlack : clWhite) << "column " << p;
    }
    canvas.SetPixel(0, 5, clRed);
    EXPECT_EQ(canvas.Pixel(0, 5), clRed);
    EXPECT_EQ(canvas.Pixel(1, 2), clBlack);
    EXPECT_EQ(canvas.Pixel(0, 0), clWhite);
    EXPECT_EQ(canvas.Pixel(6, 0), clBlack);  // outside the six logical columns
    EXPECT_EQ(canvas.Scale(), 2);
}

TEST(TCanvasScaleTest, ShapesAndTextScaleWithTheImage) {
    struct Case {
        const char* name;
        std::function<void(TCanvas&)> draw;
        std::optional<TRect> clip;
    } cases[] = {
        {"polygon",
         [](TCanvas& c) {
             c.pen.Style = TPenStyle::Clear;
             c.Polygon({{2, 1}, {9, 1}, {9, 7}, {2, 7}});
         },
         {}},
        {"ellipse",
         [](TCanvas& c) {
             c.Ellipse({2, 1, 14, 9});
         },
         {}},
        {"wide line",
         [](TCanvas& c) {
             c.pen.Width = 3;
             c.MoveTo(3, 5);
             c.LineTo(15, 5);
         },
         {}},
        {"text",
         [](TCanvas& c) {
             c.font.Face = test::BarTestFont();
             c.brush.Style = TBrushStyle::Clear;
             c.TextOut(2, 1, QStringLiteral("Wg"));
         },
         {}},
        {"clipped ellipse",
         [](TCanvas& c) {
             c.Ellipse({2, 1, 14, 9});
         },
         TRect{4, 3, 9, 20}},
        {"clipped text",
         [](TCanvas& c) {
             c.font.Face = test::BarTestFont();
             TRect r{1, 0, 20, 12};
             c.DrawText(QStringLiteral("WWWW"), r, DT_SINGLELINE);
         },
         TRect{3, 0, 7, 12}},
    };
    for (const Case& c : cases) {
        TRect ink[2];
        for (int s : {1, 2}) {
            QImage image = FilledAt(s, 20, 12, clWhite);
            TCanvas canvas(&image);
            canvas.brush.Color = clGreen;
            canvas.pen.Color = clBlack;
            canvas.font.Color = clBlack;
            if (c.clip) {
                canvas.SetClipRect(*c.clip);
            }
            c.draw(canvas);
            ink[s - 1] = Ink(image, clWhite);
        }
        ASSERT_FALSE(ink[0].IsEmpty()) << c.name;
        // At double scale the shape covers twice the image pixels, give or take an edge pixel.
        const TRect twice{2 * ink[0].Left, 2 * ink[0].Top, 2 * ink[0].Right, 2 * ink[0].Bottom};
        EXPECT_LE(std::abs(ink[1].Left - twice.Left), 2) << c.name;
        EXPECT_LE(std::abs(ink[1].Top - twice.Top), 2) << c.name;
        EXPECT_LE(std::abs(ink[1].Right - twice.Right), 2) << c.name;
        EXPECT_LE(std::abs(ink[1].Bottom - twice.Bottom), 2) << c.name;
        if (c.clip) {
            const TRect clip{2 * c.clip->Left, 2 * c.clip->Top, 2 * c.clip->Right,
                             2 * c.clip->Bottom};
            EXPECT_EQ(ink[1].Intersect(clip), ink[1]) << c.name;
        }
    }
}

TEST(TCanvasScaleTest, TextIsDrawnAtTheFullResolution) {
    QImage image = FilledAt(2, 40, 14, clWhite);
    TCanvas canvas(&image);
    canvas.font.Face = test::BarTestFont();
    canvas.font.Color = clBlack;
    TRect r{1, 1, 40, 14};
    canvas.DrawText(QStringLiteral("Wave"), r, DT_SINGLELINE);
    // Text made at one scale and enlarged comes in uniform 2 x 2 blocks; finer strokes do not.
    int uneven = 0;
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < image.width(); x += 2) {
            const QRgb p = image.pixel(x, y);
            if (image.pixel(x + 1, y) != p || image.pixel(x, y + 1) != p ||
                image.pixel(x + 1, y + 1) != p) {
                ++uneven;
            }
        }
    }
    EXPECT_GT(uneven, 0);
}

}  // namespace
}  // namespace orv
