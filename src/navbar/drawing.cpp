#include "navbar/drawing.h"

#include <QColor>
#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>
#include <QStringList>
#include <algorithm>
#include <array>
#include <cstdlib>

namespace orv {

namespace {

// The fixed system palette (BGR), indexed by the low byte of a system colour.
constexpr std::array<TColor, 31> kSystemPalette = [] {
    std::array<TColor, 31> p{};
    p[0] = 0xC0C0C0;   // scroll bar
    p[1] = 0x808000;   // desktop
    p[2] = 0x800000;   // active caption
    p[3] = 0x808080;   // inactive caption
    p[4] = 0xC0C0C0;   // menu
    p[5] = 0xFFFFFF;   // window
    p[6] = 0x000000;   // window frame
    p[7] = 0x000000;   // menu text
    p[8] = 0x000000;   // window text
    p[9] = 0xFFFFFF;   // caption text
    p[10] = 0xC0C0C0;  // active border
    p[11] = 0xC0C0C0;  // inactive border
    p[12] = 0x808080;  // application workspace
    p[13] = 0x800000;  // highlight
    p[14] = 0xFFFFFF;  // highlight text
    p[15] = 0xC0C0C0;  // button face
    p[16] = 0x808080;  // button shadow
    p[17] = 0x808080;  // grey text
    p[18] = 0x000000;  // button text
    p[19] = 0xC0C0C0;  // inactive caption text
    p[20] = 0xFFFFFF;  // button highlight
    p[21] = 0x000000;  // 3-D dark shadow
    p[22] = 0xDFDFDF;  // 3-D light
    p[23] = 0x000000;  // tooltip text
    p[24] = 0xE1FFFF;  // tooltip background
    p[26] = 0x800000;  // hot light
    p[27] = 0xF0CAA6;  // gradient active caption
    p[28] = 0xC0C0C0;  // gradient inactive caption
    p[29] = 0x800000;  // menu highlight
    p[30] = 0xC0C0C0;  // menu bar
    return p;
}();

TRect Normalized(const TRect& r) {
    return {std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right),
            std::max(r.Top, r.Bottom)};
}

QPolygon ToQPolygon(const std::vector<TPoint>& points) {
    QPolygon poly;
    poly.reserve(static_cast<int>(points.size()));
    for (const TPoint& p : points) {
        poly << QPoint(p.X, p.Y);
    }
    return poly;
}

}  // namespace

TRect TRect::Intersect(const TRect& other) const {
    TRect r{std::max(Left, other.Left), std::max(Top, other.Top), std::min(Right, other.Right),
            std::min(Bottom, other.Bottom)};
    if (r.IsEmpty()) {
        return {};
    }
    return r;
}

TColor ColorToRGB(TColor color) {
    if ((color & 0xFF000000u) == clSystemColor) {
        const std::uint32_t index = color & 0xFFu;
        return index < kSystemPalette.size() ? kSystemPalette[index] : clBlack;
    }
    return color;
}

std::uint32_t ColorToPixel(TColor color) {
    const TColor c = ColorToRGB(color);
    const std::uint32_t r = c & 0xFFu;
    const std::uint32_t g = (c >> 8) & 0xFFu;
    const std::uint32_t b = (c >> 16) & 0xFFu;
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

TColor PixelToColor(std::uint32_t pixel) {
    const std::uint32_t r = (pixel >> 16) & 0xFFu;
    const std::uint32_t g = (pixel >> 8) & 0xFFu;
    const std::uint32_t b = pixel & 0xFFu;
    return r | (g << 8) | (b << 16);
}

QColor ToQColor(TColor color) {
    return QColor::fromRgb(ColorToPixel(color));
}

int ImageScale(const QImage& image) {
    return std::max(1, qRound(image.devicePixelRatio()));
}

TRect TCanvas::Bounds() const {
    if (image_ == nullptr || image_->isNull()) {
        return {};
    }
    // A last block cut by the image's edge still counts; what lies past the edge is dropped.
    const int s = Scale();
    TRect b{0, 0, (image_->width() + s - 1) / s, (image_->height() + s - 1) / s};
    return clip_ ? b.Intersect(*clip_) : b;
}

TRect TCanvas::PhysicalBounds() const {
    const TRect b = Bounds();
    if (b.IsEmpty()) {
        return {};
    }
    const int s = Scale();
    return TRect{b.Left * s, b.Top * s, b.Right * s, b.Bottom * s}.Intersect(
        {0, 0, image_->width(), image_->height()});
}

bool TCanvas::Visible(int x, int y) const {
    return Bounds().Contains(x, y) && (!region_ || region_->contains(QPoint(x, y)));
}

bool TCanvas::InRegion(int px, int py) const {
    const int s = Scale();
    return !region_ || region_->contains(QPoint(px / s, py / s));
}

void TCanvas::Clip(QPainter& painter) const {
    QRegion clip(Bounds().ToQRect());
    if (region_) {
        clip &= *region_;
    }
    painter.setClipRegion(clip);
}

void TCanvas::Plot(int x, int y, std::uint32_t pixel) {
    if (!Visible(x, y)) {
        return;
    }
    const int s = Scale();
    if (s == 1) {
        reinterpret_cast<std::uint32_t*>(image_->scanLine(y))[x] = pixel;
        return;
    }
    const int right = std::min(x * s + s, image_->width());
    const int bottom = std::min(y * s + s, image_->height());
    for (int py = y * s; py < bottom; ++py) {
        auto* line = reinterpret_cast<std::uint32_t*>(image_->scanLine(py));
        std::fill(line + x * s, line + right, pixel);
    }
}

void TCanvas::FillBlocks(const TRect& r, std::uint32_t pixel) {
    const TRect area = r.Intersect(Bounds());
    if (area.IsEmpty()) {
        return;
    }
    if (region_) {
        for (int y = area.Top; y < area.Bottom; ++y) {
            for (int x = area.Left; x < area.Right; ++x) {
                Plot(x, y, pixel);
            }
        }
        return;
    }
    const int s = Scale();
    const TRect phys =
        TRect{area.Left * s, area.Top * s, area.Right * s, area.Bottom * s}.Intersect(
            {0, 0, image_->width(), image_->height()});
    for (int py = phys.Top; py < phys.Bottom; ++py) {
        auto* line = reinterpret_cast<std::uint32_t*>(image_->scanLine(py));
        std::fill(line + phys.Left, line + phys.Right, pixel);
    }
}

QImage TCanvas::AtScale(const QImage& source, QImage::Format format) const {
    const int s = Scale();
    const int ss = ImageScale(source);
    const QImage src = source.format() == format ? source : source.convertToFormat(format);
    if (ss == s) {
        return src;
    }
    // Each pixel takes the source pixel it lies in: plain pictures grow by whole blocks.
    QImage out((src.width() * s + ss - 1) / ss, (src.height() * s + ss - 1) / ss, format);
    for (int py = 0; py < out.height(); ++py) {
        const auto* in = reinterpret_cast<const std::uint32_t*>(src.constScanLine(py * ss / s));
        auto* line = reinterpret_cast<std::uint32_t*>(out.scanLine(py));
        for (int px = 0; px < out.width(); ++px) {
            line[px] = in[px * ss / s];
        }
    }
    out.setDevicePixelRatio(s);
    return out;
}

void TCanvas::SetPixel(int x, int y, TColor color) {
    Plot(x, y, ColorToPixel(color));
}

TColor TCanvas::Pixel(int x, int y) const {
    if (image_ == nullptr) {
        return clBlack;
    }
    const int s = Scale();
    if (!image_->rect().contains(x * s, y * s)) {
        return clBlack;
    }
    return PixelToColor(image_->pixel(x * s, y * s));
}

void TCanvas::HLine(int x1, int x2, int y, TColor color) {
    FillBlocks({x1, y, x2, y + 1}, ColorToPixel(color));
}

void TCanvas::VLine(int x, int y1, int y2, TColor color) {
    FillBlocks({x, y1, x + 1, y2}, ColorToPixel(color));
}

void TCanvas::FillRect(const TRect& r) {
    FillBlocks(Normalized(r), ColorToPixel(brush.Color));
}

void TCanvas::FrameRect(const TRect& r) {
    const TRect n = Normalized(r);
    if (n.IsEmpty()) {
        return;
    }
    HLine(n.Left, n.Right, n.Top, brush.Color);
    HLine(n.Left, n.Right, n.Bottom - 1, brush.Color);
    VLine(n.Left, n.Top, n.Bottom, brush.Color);
    VLine(n.Right - 1, n.Top, n.Bottom, brush.Color);
}

void TCanvas::Rectangle(const TRect& r) {
    const TRect n = Normalized(r);
    if (n.IsEmpty()) {
        return;
    }
    if (brush.Style == TBrushStyle::Solid) {
        FillRect(n);
    }
    if (pen.Style != TPenStyle::Clear) {
        const TColor keep = brush.Color;
        brush.Color = pen.Color;
        FrameRect(n);
        brush.Color = keep;
    }
}

void TCanvas::Polygon(const std::vector<TPoint>& points) {
    const TRect bounds = Bounds();
    if (points.size() < 3 || bounds.IsEmpty()) {
        return;
    }
    QPainter p(image_);
    Clip(p);
    p.setPen(pen.Style == TPenStyle::Clear ? QPen(Qt::NoPen)
                                           : QPen(ToQColor(pen.Color), pen.Width));
    p.setBrush(brush.Style == TBrushStyle::Clear ? QBrush(Qt::NoBrush)
                                                 : QBrush(ToQColor(brush.Color)));
    p.drawPolygon(ToQPolygon(points));
}

void TCanvas::Ellipse(const TRect& r) {
    const TRect bounds = Bounds();
    const TRect n = Normalized(r);
    if (n.IsEmpty() || bounds.IsEmpty()) {
        return;
    }
    QPainter p(image_);
    Clip(p);
    p.setPen(pen.Style == TPenStyle::Clear ? QPen(Qt::NoPen)
                                           : QPen(ToQColor(pen.Color), pen.Width));
    p.setBrush(brush.Style == TBrushStyle::Clear ? QBrush(Qt::NoBrush)
                                                 : QBrush(ToQColor(brush.Color)));
    p.drawEllipse(QRectF(n.Left, n.Top, n.Width(), n.Height()));
}

void TCanvas::LineTo(int x, int y) {
    const TPoint from = penPos_;
    penPos_ = {x, y};
    if (pen.Style == TPenStyle::Clear) {
        return;
    }
    if (pen.Width > 1) {
        const TRect bounds = Bounds();
        if (bounds.IsEmpty()) {
            return;
        }
        QPainter p(image_);
        Clip(p);
        p.setPen(QPen(ToQColor(pen.Color), pen.Width));
        p.drawLine(from.X, from.Y, x, y);
        return;
    }
    // Bresenham, stopping one pixel short of the end.
    const std::uint32_t px = ColorToPixel(pen.Color);
    int cx = from.X;
    int cy = from.Y;
    const int dx = std::abs(x - cx);
    const int dy = -std::abs(y - cy);
    const int sx = cx < x ? 1 : -1;
    const int sy = cy < y ? 1 : -1;
    int err = dx + dy;
    int n = 0;
    while (cx != x || cy != y) {
        if (pen.Style != TPenStyle::Dot || n % 2 == 0) {
            Plot(cx, cy, px);
        }
        ++n;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            cx += sx;
        }
        if (e2 <= dx) {
            err += dx;
            cy += sy;
        }
    }
}

void TCanvas::TextOut(int x, int y, const QString& text) {
    const TRect bounds = Bounds();
    if (text.isEmpty() || bounds.IsEmpty()) {
        return;
    }
    const QFontMetrics fm(font.Face);
    const TRect box{x, y, x + fm.horizontalAdvance(text), y + fm.height()};
    if (brush.Style == TBrushStyle::Solid) {
        FillRect(box);
    }
    QPainter p(image_);
    Clip(p);
    p.setFont(font.Face);
    p.setPen(ToQColor(font.Color));
    p.drawText(QPoint(x, y + fm.ascent()), text);
}

void TCanvas::Frame3D(TRect& r, TColor topColor, TColor bottomColor, int width) {
    for (; width > 0 && !r.IsEmpty(); --width) {
        HLine(r.Left, r.Right - 1, r.Top, topColor);
        VLine(r.Left, r.Top, r.Bottom - 1, topColor);
        HLine(r.Left, r.Right, r.Bottom - 1, bottomColor);
        VLine(r.Right - 1, r.Top, r.Bottom, bottomColor);
        r = r.Inflate(-1, -1);
    }
}

void TCanvas::DrawEdge(TRect& r, unsigned edge, unsigned flags) {
    struct Ring {
        unsigned raised;
        unsigned sunken;
        TColor raisedTopLeft, raisedBottomRight, sunkenTopLeft, sunkenBottomRight;
    };
    const bool soft = (flags & BF_SOFT) != 0;
    // Soft edges light the outer ring and shade the inner one more gently.
    const Ring rings[2] = {
        {BDR_RAISEDOUTER, BDR_SUNKENOUTER, soft ? clBtnHighlight : cl3DLight, cl3DDkShadow,
         soft ? cl3DDkShadow : clBtnShadow, clBtnHighlight},
        {BDR_RAISEDINNER, BDR_SUNKENINNER, soft ? cl3DLight : clBtnHighlight, clBtnShadow,
         soft ? clBtnShadow : cl3DDkShadow, cl3DLight},
    };
    TRect cur = r;
    for (const Ring& ring : rings) {
        TColor tl;
        TColor br;
        if (edge & ring.raised) {
            tl = ring.raisedTopLeft;
            br = ring.raisedBottomRight;
        } else if (edge & ring.sunken) {
            tl = ring.sunkenTopLeft;
            br = ring.sunkenBottomRight;
        } else {
            continue;
        }
        if (cur.IsEmpty()) {
            break;
        }
        if (flags & BF_TOP) {
            HLine(cur.Left, cur.Right - 1, cur.Top, tl);
        }
        if (flags & BF_LEFT) {
            VLine(cur.Left, cur.Top, cur.Bottom - 1, tl);
        }
        if (flags & BF_BOTTOM) {
            HLine(cur.Left, cur.Right, cur.Bottom - 1, br);
        }
        if (flags & BF_RIGHT) {
            VLine(cur.Right - 1, cur.Top, cur.Bottom, br);
        }
        cur = {cur.Left + ((flags & BF_LEFT) ? 1 : 0), cur.Top + ((flags & BF_TOP) ? 1 : 0),
               cur.Right - ((flags & BF_RIGHT) ? 1 : 0),
               cur.Bottom - ((flags & BF_BOTTOM) ? 1 : 0)};
    }
    if (flags & BF_ADJUST) {
        r = cur;
    }
}

void TCanvas::DrawFocusRect(const TRect& r) {
    const TRect n = Normalized(r);
    const TRect bounds = Bounds();
    if (n.IsEmpty() || bounds.IsEmpty()) {
        return;
    }
    const int s = Scale();
    auto invert = [&](int x, int y) {
        if ((x + y) % 2 != 0 || !Visible(x, y)) {
            return;
        }
        for (int py = y * s; py < std::min(y * s + s, image_->height()); ++py) {
            auto* line = reinterpret_cast<std::uint32_t*>(image_->scanLine(py));
            for (int px = x * s; px < std::min(x * s + s, image_->width()); ++px) {
                line[px] = (line[px] ^ 0x00FFFFFFu) | 0xFF000000u;
            }
        }
    };
    for (int x = n.Left; x < n.Right; ++x) {
        invert(x, n.Top);
        if (n.Bottom - 1 > n.Top) {
            invert(x, n.Bottom - 1);
        }
    }
    for (int y = n.Top + 1; y < n.Bottom - 1; ++y) {
        invert(n.Left, y);
        if (n.Right - 1 > n.Left) {
            invert(n.Right - 1, y);
        }
    }
}

void TCanvas::DrawArrow(int x, int y, bool up, TColor color) {
    const int dir = up ? 1 : -1;
    SetPixel(x, y - dir, color);
    HLine(x - 1, x + 2, y, color);
    HLine(x - 2, x + 3, y + dir, color);
}

void TCanvas::Draw(int x, int y, const QImage& source, std::optional<TColor> transparent) {
    if (source.isNull()) {
        return;
    }
    const QImage src = AtScale(source, QImage::Format_RGB32);
    // From here on, image pixels.
    x *= Scale();
    y *= Scale();
    const TRect area = TRect{x, y, x + src.width(), y + src.height()}.Intersect(PhysicalBounds());
    const std::uint32_t skip = transparent ? (ColorToPixel(*transparent) & 0x00FFFFFFu) : 0;
    for (int ty = area.Top; ty < area.Bottom; ++ty) {
        const auto* s = reinterpret_cast<const std::uint32_t*>(src.constScanLine(ty - y));
        auto* d = reinterpret_cast<std::uint32_t*>(image_->scanLine(ty));
        for (int tx = area.Left; tx < area.Right; ++tx) {
            const std::uint32_t sp = s[tx - x] & 0x00FFFFFFu;
            if ((!transparent || sp != skip) && InRegion(tx, ty)) {
                d[tx] = sp | 0xFF000000u;
            }
        }
    }
}

void TCanvas::Blend(int x, int y, const QImage& source) {
    if (source.isNull() || Bounds().IsEmpty()) {
        return;
    }
    QPainter p(image_);
    Clip(p);
    p.drawImage(QPoint(x, y), source);
}

void TCanvas::Blend(int x, int y, const QImage& source, const QImage& doubleSize) {
    if (Scale() != 2 || doubleSize.isNull()) {
        Blend(x, y, source);
        return;
    }
    QImage picture = doubleSize;
    picture.setDevicePixelRatio(2);
    Blend(x, y, picture);
}

void TCanvas::CopyMode(int x, int y, const QImage& source, TRasterOp op) {
    if (source.isNull()) {
        return;
    }
    const QImage src = AtScale(source, QImage::Format_RGB32);
    // From here on, image pixels.
    x *= Scale();
    y *= Scale();
    const TRect area = TRect{x, y, x + src.width(), y + src.height()}.Intersect(PhysicalBounds());
    const std::uint32_t pattern = ColorToPixel(brush.Color);
    for (int ty = area.Top; ty < area.Bottom; ++ty) {
        const auto* s = reinterpret_cast<const std::uint32_t*>(src.constScanLine(ty - y));
        auto* d = reinterpret_cast<std::uint32_t*>(image_->scanLine(ty));
        for (int tx = area.Left; tx < area.Right; ++tx) {
            const std::uint32_t sp = s[tx - x];
            std::uint32_t out = sp;
            switch (op) {
                case TRasterOp::SrcCopy:
                    out = sp;
                    break;
                case TRasterOp::SrcPaint:
                    out = sp | d[tx];
                    break;
                case TRasterOp::SrcErase:
                    out = sp & ~d[tx];
                    break;
                case TRasterOp::MergePaint:
                    out = ~sp | d[tx];
                    break;
                case TRasterOp::MergeCopy:
                    out = sp & pattern;
                    break;
            }
            if (InRegion(tx, ty)) {
                d[tx] = out | 0xFF000000u;
            }
        }
    }
}

int TCanvas::QtTextFlags(unsigned format) const {
    int flags = 0;
    if (format & DT_CENTER) {
        flags |= Qt::AlignHCenter;
    } else if (format & DT_RIGHT) {
        flags |= Qt::AlignRight;
    } else {
        flags |= Qt::AlignLeft;
    }
    if ((format & DT_SINGLELINE) && (format & DT_VCENTER)) {
        flags |= Qt::AlignVCenter;
    } else if ((format & DT_SINGLELINE) && (format & DT_BOTTOM)) {
        flags |= Qt::AlignBottom;
    } else {
        flags |= Qt::AlignTop;
    }
    if (format & DT_SINGLELINE) {
        flags |= Qt::TextSingleLine;
    } else if (format & DT_WORDBREAK) {
        flags |= Qt::TextWordWrap;
    }
    if (format & DT_EXPANDTABS) {
        flags |= Qt::TextExpandTabs;
    }
    if (!(format & DT_NOPREFIX)) {
        flags |= Qt::TextShowMnemonic;
    }
    return flags;
}

int TCanvas::DrawText(const QString& text, TRect& r, unsigned format) {
    const QFontMetrics fm(font.Face);
    const int flags = QtTextFlags(format);
    QString shown = text;
    if (format & DT_END_ELLIPSIS) {
        // Each line that is too wide ends in an ellipsis; word-broken lines are left whole.
        const int width = std::max(0, r.Width());
        QStringList lines = (format & DT_SINGLELINE) ? QStringList{text} : text.split(u'\n');
        for (QString& line : lines) {
            if (!(format & DT_WORDBREAK) || fm.horizontalAdvance(line) > width * 4) {
                line = fm.elidedText(line, Qt::ElideRight, width,
                                     flags & (Qt::TextShowMnemonic | Qt::TextExpandTabs));
            }
        }
        shown = lines.join(u'\n');
    }
    // The platform's text layout wants a positive box; its extent is what counts.
    const QRect box(r.Left, r.Top, std::max(1, r.Width()), std::max(1, r.Height()));
    const QRect extent =
        fm.boundingRect((format & DT_CALCRECT) ? QRect(r.Left, r.Top, box.width(), 1 << 20) : box,
                        flags & ~(Qt::AlignVCenter | Qt::AlignBottom), shown);
    const int height = shown.isEmpty() ? 0 : extent.height();
    if (format & DT_CALCRECT) {
        if (!(format & DT_WORDBREAK) || extent.width() > r.Width()) {
            r.Right = r.Left + (shown.isEmpty() ? 0 : extent.width());
        }
        r.Bottom = r.Top + height;
        return height;
    }
    if (shown.isEmpty() || Bounds().IsEmpty()) {
        return height;
    }
    QPainter p(image_);
    Clip(p);
    int drawFlags = flags;
    if (format & DT_RTLREADING) {
        // The reading order only: left and right stay where the flags put them.
        p.setLayoutDirection(Qt::RightToLeft);
        drawFlags |= Qt::AlignAbsolute;
    }
    p.setFont(font.Face);
    p.setPen(ToQColor(font.Color));
    p.drawText(box, drawFlags, shown);
    return height;
}

void TCanvas::DrawFrameControl(const TRect& r, unsigned type, unsigned state) {
    if (type != DFC_BUTTON || r.IsEmpty()) {
        return;
    }
    const Brush keep = brush;
    const bool inactive = (state & DFCS_INACTIVE) != 0;
    const bool checked = (state & DFCS_CHECKED) != 0;
    const bool pushed = (state & DFCS_PUSHED) != 0;
    const bool flat = (state & DFCS_FLAT) != 0;
    TRect inner = r;
    if (state & DFCS_BUTTONPUSH) {
        brush.Color = clBtnFace;
        FillRect(r);
        if (flat) {
            brush.Color = clBtnShadow;
            FrameRect(r);
            inner = r.Inflate(-1, -1);
        } else {
            DrawEdge(inner, (pushed || checked) ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_ADJUST);
        }
        if (checked && !pushed) {
            // A latched push button: the classic dither of face and highlight.
            for (int y = inner.Top; y < inner.Bottom; ++y) {
                for (int x = inner.Left + (y + inner.Left) % 2; x < inner.Right; x += 2) {
                    SetPixel(x, y, clBtnHighlight);
                }
            }
        }
        brush = keep;
        return;
    }
    // Check boxes and radio buttons take a 13 x 13 square centred in r.
    const int left = r.Left + (r.Width() - 13) / 2;
    const int top = r.Top + (r.Height() - 13) / 2;
    const TColor inside = (inactive || pushed) ? clBtnFace : clWindow;
    const TColor mark = inactive ? clBtnShadow : clWindowText;
    if (state & DFCS_BUTTONRADIO) {
        // Ring rows of the 12 x 12 circle: outer arcs shaded, inner ones lit.
        static constexpr std::array<std::pair<int, int>, 12> kSpan = {{{4, 8},
                                                                       {2, 10},
                                                                       {1, 11},
                                                                       {1, 11},
                                                                       {0, 12},
                                                                       {0, 12},
                                                                       {0, 12},
                                                                       {0, 12},
                                                                       {1, 11},
                                                                       {1, 11},
                                                                       {2, 10},
                                                                       {4, 8}}};
        for (int y = 0; y < 12; ++y) {
            const auto [from, to] = kSpan[static_cast<size_t>(y)];
            for (int x = from; x < to; ++x) {
                const bool upper = x + y < 11;
                const bool edge = y == 0 || y == 11 || x == from || x == to - 1;
                const auto [innerFrom, innerTo] =
                    y > 0 && y < 11 ? kSpan[static_cast<size_t>(y)] : std::pair{0, 0};
                const bool second =
                    !edge && (y == 1 || y == 10 || x == innerFrom + 1 || x == innerTo - 2);
                TColor c = inside;
                if (edge) {
                    c = upper ? clBtnShadow : clBtnHighlight;
                } else if (second) {
                    c = upper ? cl3DDkShadow : cl3DLight;
                }
                SetPixel(left + x, top + y, c);
            }
        }
        if (checked) {
            for (int y = 4; y < 8; ++y) {
                for (int x = (y == 4 || y == 7) ? 5 : 4; x < ((y == 4 || y == 7) ? 7 : 8); ++x) {
                    SetPixel(left + x, top + y, mark);
                }
            }
        }
        brush = keep;
        return;
    }
    TRect box{left, top, left + 13, top + 13};
    if (flat) {
        brush.Color = clBtnShadow;
        FrameRect(box);
        box = box.Inflate(-1, -1);
    } else {
        DrawEdge(box, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    }
    brush.Color = inside;
    FillRect(box);
    if (checked) {
        // The classic 7 x 7 tick: three pixels high, down two columns, up four.
        static constexpr std::array<int, 7> kTop = {2, 3, 4, 3, 2, 1, 0};
        for (int i = 0; i < 7; ++i) {
            for (int k = 0; k < 3; ++k) {
                SetPixel(box.Left + 1 + i, box.Top + 1 + kTop[static_cast<size_t>(i)] + k, mark);
            }
        }
    }
    brush = keep;
}

}  // namespace orv
