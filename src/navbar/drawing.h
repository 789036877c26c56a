// The side bar's drawing layer: classic rectangles (right and bottom edges excluded), colours as
// BGR values with symbolic system colours, and a canvas over an off-screen 32-bit QImage. The bar
// paints everything into such an image and copies it to the window once.
#pragma once

#include <QFont>
#include <QImage>
#include <QRect>
#include <QRegion>
#include <QString>
#include <cstdint>

class QPainter;
#include <optional>
#include <vector>

namespace orv {

// A rectangle whose Right and Bottom lie just outside it: (0, 0, 4, 4) covers 4x4 pixels.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    constexpr TRect() = default;
    constexpr TRect(int left, int top, int right, int bottom)
        : Left(left), Top(top), Right(right), Bottom(bottom) {}

    constexpr int Width() const { return Right - Left; }
    constexpr int Height() const { return Bottom - Top; }
    constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    constexpr bool Contains(int x, int y) const {
        return x >= Left && x < Right && y >= Top && y < Bottom;
    }
    constexpr TRect Offset(int dx, int dy) const {
        return {Left + dx, Top + dy, Right + dx, Bottom + dy};
    }
    constexpr TRect Inflate(int dx, int dy) const {
        return {Left - dx, Top - dy, Right + dx, Bottom + dy};
    }
    // The common part; empty (0, 0, 0, 0) when they do not overlap.
    TRect Intersect(const TRect& other) const;

    // Qt rectangles include their right and bottom edge.
    QRect ToQRect() const { return QRect(Left, Top, Right - Left, Bottom - Top); }
    static TRect FromQRect(const QRect& r) {
        return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    }

    friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

// Layout coordinates and the sizes they are made of stay within +-kCoordLimit, far past any
// screen; a sum of a handful of such values then never overflows an int, whatever sizes and
// distances the settings hold.
inline constexpr int kCoordLimit = 1 << 28;
constexpr int ClampCoord(std::int64_t v) {
    return static_cast<int>(v < -kCoordLimit ? -kCoordLimit : v > kCoordLimit ? kCoordLimit : v);
}
// A gap the layout adds and later takes off again (the settings' Distance) is held to a
// sixteenth of that: a coordinate held at the limit, less such a gap, is still far off.
inline constexpr int kGapLimit = kCoordLimit / 16;
constexpr int ClampGap(std::int64_t v) {
    return static_cast<int>(v < -kGapLimit ? -kGapLimit : v > kGapLimit ? kGapLimit : v);
}

struct TPoint {
    int X = 0;
    int Y = 0;
    friend constexpr bool operator==(const TPoint&, const TPoint&) = default;
};

// A colour as 0x00BBGGRR (0x0000FF is red). A value with 0xFF in its high byte names a system
// colour by the index in its low byte; ColorToRGB resolves it through one fixed palette, so the
// bar looks the same on every desktop and tests can check pixels.
using TColor = std::uint32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clWhite = 0xFFFFFF;

inline constexpr TColor clSystemColor = 0xFF000000;
inline constexpr TColor clWindow = clSystemColor | 5;
inline constexpr TColor clWindowText = clSystemColor | 8;
inline constexpr TColor clHighlight = clSystemColor | 13;
inline constexpr TColor clHighlightText = clSystemColor | 14;
inline constexpr TColor clBtnFace = clSystemColor | 15;
inline constexpr TColor clBtnShadow = clSystemColor | 16;
inline constexpr TColor clGrayText = clSystemColor | 17;
inline constexpr TColor clBtnText = clSystemColor | 18;
inline constexpr TColor clBtnHighlight = clSystemColor | 20;
inline constexpr TColor cl3DDkShadow = clSystemColor | 21;
inline constexpr TColor cl3DLight = clSystemColor | 22;

// The colour's 0x00BBGGRR value; system colours through the fixed palette, unknown ones black.
TColor ColorToRGB(TColor color);
// The pixel value of a 32-bit image (0xFFRRGGBB) for a colour, and back.
std::uint32_t ColorToPixel(TColor color);
TColor PixelToColor(std::uint32_t pixel);
QColor ToQColor(TColor color);

// How many image pixels make one logical pixel across: the image's device pixel ratio rounded,
// at least 1. The bar's images carry whole ratios only.
int ImageScale(const QImage& image);

// Edge parts, combined into the raised and sunken edges.
enum : unsigned {
    BDR_RAISEDOUTER = 0x0001,
    BDR_SUNKENOUTER = 0x0002,
    BDR_RAISEDINNER = 0x0004,
    BDR_SUNKENINNER = 0x0008,
    EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER,
    EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER,
    EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER,
    EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER,
};
// Which sides an edge covers, and whether it shrinks the rectangle.
enum : unsigned {
    BF_LEFT = 0x0001,
    BF_TOP = 0x0002,
    BF_RIGHT = 0x0004,
    BF_BOTTOM = 0x0008,
    BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM,
    BF_SOFT = 0x1000,
    BF_ADJUST = 0x2000,
};

// How a picture combines with what is already painted.
enum class TRasterOp { SrcCopy, SrcPaint, SrcErase, MergePaint, MergeCopy };

// Text layout flags: alignment, vertical centring (single lines only), breaking, ellipsis.
enum : unsigned {
    DT_LEFT = 0x0000,
    DT_CENTER = 0x0001,
    DT_RIGHT = 0x0002,
    DT_VCENTER = 0x0004,
    DT_BOTTOM = 0x0008,
    DT_WORDBREAK = 0x0010,
    DT_SINGLELINE = 0x0020,
    DT_EXPANDTABS = 0x0040,
    DT_CALCRECT = 0x0400,
    DT_NOPREFIX = 0x0800,
    DT_END_ELLIPSIS = 0x8000,
    DT_RTLREADING = 0x20000,
};

// Frame controls of the button class and their states.
enum : unsigned { DFC_BUTTON = 4 };
enum : unsigned {
    DFCS_BUTTONCHECK = 0x0000,
    DFCS_BUTTONRADIO = 0x0004,
    DFCS_BUTTONPUSH = 0x0010,
    DFCS_INACTIVE = 0x0100,
    DFCS_PUSHED = 0x0200,
    DFCS_CHECKED = 0x0400,
    DFCS_FLAT = 0x4000,
};

enum class TBrushStyle { Solid, Clear };
enum class TPenStyle { Solid, Clear, Dot };

// Draws into an image it does not own. Primitives clip to the image and to the clip rectangle;
// lines and arrows are written pixel by pixel so they land exactly where the classic rules say.
// Callers work in logical pixels: on an image of device pixel ratio s (see ImageScale) one
// logical pixel is an s x s block, and clip rectangles and regions are logical too. Text,
// ellipses, polygons and wide lines are drawn at the image's full resolution.
class TCanvas {
  public:
    struct Brush {
        TColor Color = clWhite;
        TBrushStyle Style = TBrushStyle::Solid;
    };
    struct Pen {
        TColor Color = clBlack;
        TPenStyle Style = TPenStyle::Solid;
        int Width = 1;
    };
    struct Font {
        QFont Face;
        TColor Color = clWindowText;
    };

    explicit TCanvas(QImage* image) : image_(image) {}

    QImage* Image() const { return image_; }
    // Image pixels per logical pixel across (1 on a plain image).
    int Scale() const { return image_ != nullptr ? ImageScale(*image_) : 1; }
    Brush brush;
    Pen pen;
    Font font;

    void SetClipRect(const TRect& r) { clip_ = r; }
    // A clip of any shape (rounded corners), on top of the clip rectangle.
    void SetClipRegion(const QRegion& region) { region_ = region; }
    void ClearClipRect() {
        clip_.reset();
        region_.reset();
    }

    // Fills with the brush colour (whatever the brush style).
    void FillRect(const TRect& r);
    // A one-pixel frame in the brush colour.
    void FrameRect(const TRect& r);
    // Outline with the pen, inside with the brush.
    void Rectangle(const TRect& r);
    void Polygon(const std::vector<TPoint>& points);
    // The ellipse inside the box; with an invisible pen only its inside.
    void Ellipse(const TRect& r);
    void MoveTo(int x, int y) { penPos_ = {x, y}; }
    // Draws to (x, y), the end point excluded, and moves the pen there.
    void LineTo(int x, int y);
    void SetPixel(int x, int y, TColor color);
    // The colour of logical pixel (x, y); black outside the image.
    TColor Pixel(int x, int y) const;
    void TextOut(int x, int y, const QString& text);
    // Lays out and draws text in r with the canvas font (the brush is not used): "&" marks an
    // underlined accelerator unless DT_NOPREFIX, "&&" shows one ampersand. Lines break at line
    // feeds, and at word boundaries with DT_WORDBREAK; DT_VCENTER centres single lines only.
    // With DT_CALCRECT nothing is drawn and r's right and bottom become the text's extent.
    // Returns the height of the text.
    int DrawText(const QString& text, TRect& r, unsigned format);
    // A check box, radio button or push button frame of DFCS_* state in r.
    void DrawFrameControl(const TRect& r, unsigned type, unsigned state);

    // Frames r with `width` rings, top and left in `topColor`, bottom and right in
    // `bottomColor`, and shrinks r by the frame.
    void Frame3D(TRect& r, TColor topColor, TColor bottomColor, int width);
    // An edge of BDR_* parts on the BF_* sides; BF_ADJUST shrinks r by what was drawn.
    void DrawEdge(TRect& r, unsigned edge, unsigned flags);
    // A dotted frame that inverts every other pixel; drawing it twice removes it.
    void DrawFocusRect(const TRect& r);
    // A 5-pixel-wide arrow centred on (x, y): up is one pixel at (x, y - 1), three at row y, five
    // at row y + 1; down is its mirror image.
    void DrawArrow(int x, int y, bool up, TColor color);
    // Copies `source` to (x, y); pixels of `transparent` are left out when given. Pictures keep
    // their own device pixel ratio: a plain one is enlarged to the canvas scale pixel by pixel,
    // one made at the canvas scale is copied as it is.
    void Draw(int x, int y, const QImage& source, std::optional<TColor> transparent = {});
    // Lays `source` over what is painted at (x, y), through its alpha.
    void Blend(int x, int y, const QImage& source);
    // The same, from `doubleSize` (the picture at twice the size) on a canvas at scale 2 when
    // there is one.
    void Blend(int x, int y, const QImage& source, const QImage& doubleSize);
    // Combines `source` at (x, y) with what is painted; MergeCopy ANDs it with the brush colour.
    void CopyMode(int x, int y, const QImage& source, TRasterOp op);

  private:
    // The visible part of the image, in logical pixels, and in image pixels.
    TRect Bounds() const;
    TRect PhysicalBounds() const;
    // Whether image pixel (px, py) lies in the clip region (always without one).
    bool InRegion(int px, int py) const;
    // Writes the block of logical pixel (x, y) when it is visible.
    void Plot(int x, int y, std::uint32_t pixel);
    // Writes the blocks of the visible logical pixels of r.
    void FillBlocks(const TRect& r, std::uint32_t pixel);
    // `source` at the canvas scale, as an image of 32-bit pixels.
    QImage AtScale(const QImage& source, QImage::Format format) const;
    void HLine(int x1, int x2, int y, TColor color);
    void VLine(int x, int y1, int y2, TColor color);

    QImage* image_;
    bool Visible(int x, int y) const;
    int QtTextFlags(unsigned format) const;
    // A painter on the image clipped like the canvas.
    void Clip(QPainter& painter) const;

    std::optional<TRect> clip_;
    std::optional<QRegion> region_;
    TPoint penPos_;
};

}  // namespace orv
