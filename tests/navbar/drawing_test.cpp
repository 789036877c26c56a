#include "navbar/drawing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orv {
namespace {

QImage Filled(int w, int h, TColor color) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(ColorToPixel(color));
    return image;
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

}  // namespace
}  // namespace orv
