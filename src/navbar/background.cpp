#include "navbar/background.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "common/boundary_guard.h"

namespace orv {

namespace {

// Truncation toward zero of a product of a single-precision step and an integer; the product
// is exact in double, as it is at extended precision.
int TruncMul(float step, int i) {
    return static_cast<int>(static_cast<double>(step) * i);
}

std::uint32_t RampIndex(float step, int i) {
    return static_cast<std::uint32_t>(std::clamp(TruncMul(step, i), 0, 255));
}

// Makes sure the image can be read and written as 32-bit pixels.
bool Ensure32Bit(QImage* bitmap) {
    if (bitmap == nullptr || bitmap->isNull()) {
        return false;
    }
    if (bitmap->format() != QImage::Format_RGB32 && bitmap->format() != QImage::Format_ARGB32) {
        *bitmap = bitmap->convertToFormat(QImage::Format_RGB32);
    }
    return !bitmap->isNull();
}

// The image pixels of logical rectangle r, cut to the image.
TRect PhysicalRect(const QImage& bitmap, const TRect& r) {
    const int s = ImageScale(bitmap);
    const TRect cut =
        r.Intersect({0, 0, (bitmap.width() + s - 1) / s, (bitmap.height() + s - 1) / s});
    return TRect{cut.Left * s, cut.Top * s, cut.Right * s, cut.Bottom * s}.Intersect(
        {0, 0, bitmap.width(), bitmap.height()});
}

}  // namespace

// --- TmxGradient -----------------------------------------------------------------------------

TmxGradient::TmxGradient() {
    BuildRamp();
}

void TmxGradient::SetDirection(TmxGradientDirection value) {
    if (direction_ == value) {
        return;
    }
    direction_ = value;
    cacheRect_ = {};
    BuildRamp();
    Changed();
}

void TmxGradient::SetDrawStyle(TmxGradientStyle value) {
    if (drawStyle_ == value) {
        return;
    }
    drawStyle_ = value;
    cacheRect_ = {};
    BuildRamp();
    Changed();
}

void TmxGradient::SetColor(int index, TColor value) {
    // Even an unchanged colour rebuilds and reports.
    if (index == 1) {
        beginColor_ = value;
    } else if (index == 2) {
        endColor_ = value;
    }
    cacheRect_ = {};
    BuildRamp();
    Changed();
}

void TmxGradient::Assign(const TPersistent& source) {
    const auto* other = dynamic_cast<const TmxGradient*>(&source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    beginColor_ = other->beginColor_;
    endColor_ = other->endColor_;
    drawStyle_ = other->drawStyle_;
    direction_ = other->direction_;
    cacheRect_ = {};
    BuildRamp();
    Changed();
}

void TmxGradient::AssignTo(TPersistent& dest) const {
    AssignToSameClass(*this, dest);
}

void TmxGradient::BuildRamp() {
    // The colour value's low three bytes, system colours untranslated.
    const TColor c1 = direction_ == gdNormal ? beginColor_ : endColor_;
    const TColor c2 = direction_ == gdNormal ? endColor_ : beginColor_;
    const bool outAndBack = drawStyle_ == gtVerticalToCenter || drawStyle_ == gtHorizontalToCenter;
    colorRamp_.fill(0);
    for (int shift : {0, 8, 16}) {
        const int a = static_cast<int>((c1 >> shift) & 0xFFu);
        const int b = static_cast<int>((c2 >> shift) & 0xFFu);
        const long double d = b - a;
        auto put = [&](int k, long double v) {
            const auto byte = static_cast<std::uint32_t>(static_cast<long long>(v)) & 0xFFu;
            colorRamp_[static_cast<std::size_t>(k)] |= byte << shift;
        };
        // nearbyint rounds half to even in the default rounding mode.
        put(0, a);
        if (outAndBack) {
            const long double up = d / 127.0L;
            const long double down = -d / 127.0L;
            for (int k = 1; k <= 127; ++k) {
                put(k, a + std::nearbyint(up * (k - 1)));
            }
            put(128, b);
            for (int k = 129; k <= 255; ++k) {
                put(k, b + std::nearbyint(down * (k - 128)));
            }
        } else {
            const long double step = d / 255.0L;
            for (int k = 1; k <= 255; ++k) {
                put(k, a + std::nearbyint(step * (k - 1)));
            }
        }
    }
}

void TmxGradient::RenderGradient(TCanvas& canvas, int w, int h, int ox, int oy) {
    // Everything is laid out on the whole w x h and drawn moved by (-ox, -oy); what falls
    // outside the canvas's image is clipped, and a line that cannot reach it is skipped.
    const int cw = canvas.Image()->width();
    const int ch = canvas.Image()->height();
    auto fill = [&](const TRect& r) { canvas.FillRect(r.Offset(-ox, -oy)); };
    // Whether a shape within these extremes can touch the canvas's image.
    auto reaches = [&](int left, int top, int right, int bottom) {
        return right >= 0 && left < cw && bottom >= 0 && top < ch;
    };
    auto polygon = [&](std::vector<TPoint> points) {
        TRect box{std::numeric_limits<int>::max(), std::numeric_limits<int>::max(),
                  std::numeric_limits<int>::min(), std::numeric_limits<int>::min()};
        for (TPoint& p : points) {
            p.X -= ox;
            p.Y -= oy;
            box = {std::min(box.Left, p.X), std::min(box.Top, p.Y), std::max(box.Right, p.X),
                   std::max(box.Bottom, p.Y)};
        }
        if (reaches(box.Left, box.Top, box.Right, box.Bottom)) {
            canvas.Polygon(points);
        }
    };
    auto ellipse = [&](const TRect& r) {
        const TRect e = r.Offset(-ox, -oy);
        if (reaches(e.Left, e.Top, e.Right, e.Bottom)) {
            canvas.Ellipse(e);
        }
    };
    auto line = [&](int x1, int y1, int x2, int y2) {
        x1 -= ox;
        x2 -= ox;
        y1 -= oy;
        y2 -= oy;
        if (!reaches(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2))) {
            return;
        }
        canvas.MoveTo(x1, y1);
        canvas.LineTo(x2, y2);
    };
    canvas.brush.Style = TBrushStyle::Solid;
    auto ramp = [this](std::uint32_t k) { return colorRamp_[std::min<std::uint32_t>(k, 255)]; };
    switch (drawStyle_) {
        case gtCornerTopLeft:
        case gtCornerTopRight:
        case gtCornerBottomRight:
        case gtCornerBottomLeft:
        case gtTopToBottom:
        case gtVerticalToCenter:
        case gtLeftToRight:
        case gtHorizontalToCenter: {
            const float sx = static_cast<float>(w) / 255.0f;
            const float sy = static_cast<float>(h) / 255.0f;
            const int bw = static_cast<int>(sx + 1.0f);
            const int bh = static_cast<int>(sy + 1.0f);
            canvas.pen.Style = TPenStyle::Clear;
            int offset = 0;
            for (int i = 0; i <= 255; ++i) {
                canvas.brush.Color = ramp(static_cast<std::uint32_t>(i));
                switch (drawStyle_) {
                    case gtCornerTopLeft: {
                        const int t = TruncMul(sy, 255 - i);
                        const int l = TruncMul(sx, 255 - i);
                        polygon(
                            {{0, t}, {l, t}, {l, 0}, {l + bw, 0}, {l + bw, t + bh}, {0, t + bh}});
                        break;
                    }
                    case gtCornerTopRight: {
                        const int t = TruncMul(sy, 255 - i);
                        const int l = TruncMul(sx, i);
                        polygon(
                            {{l + bw, 0}, {l + bw, t}, {w, t}, {w, t + bh}, {l, t + bh}, {l, 0}});
                        break;
                    }
                    case gtCornerBottomRight: {
                        const int t = TruncMul(sy, i);
                        const int l = TruncMul(sx, i);
                        polygon(
                            {{w, t + bh}, {l + bw, t + bh}, {l + bw, h}, {l, h}, {l, t}, {w, t}});
                        break;
                    }
                    case gtCornerBottomLeft: {
                        const int t = TruncMul(sy, i);
                        const int l = TruncMul(sx, 255 - i);
                        polygon(
                            {{l, h}, {l, t + bh}, {0, t + bh}, {0, t}, {l + bw, t}, {l + bw, h}});
                        break;
                    }
                    case gtTopToBottom:
                    case gtVerticalToCenter:
                        fill({0, offset, w, offset + bh});
                        offset = TruncMul(sy, i);
                        break;
                    default:
                        fill({offset, 0, offset + bw, h});
                        offset = TruncMul(sx, i);
                        break;
                }
            }
            break;
        }
        case gtDiagonalRising:
        case gtDiagonalFalling: {
            const float sx = static_cast<float>(w) / 127.0f;
            const float sy = static_cast<float>(h) / 127.0f;
            const int bw = static_cast<int>(sx + 1.0f);
            const int bh = static_cast<int>(sy + 1.0f);
            std::vector<std::vector<TPoint>> quads(256);
            for (int i = 0; i <= 127; ++i) {
                const int x = TruncMul(sx, i);
                const int y = TruncMul(sy, i);
                const int yr = TruncMul(sy, 127 - i);
                if (drawStyle_ == gtDiagonalFalling) {
                    quads[i] = {{x, 0}, {x + bw, 0}, {0, y + bh}, {0, y}};
                    quads[128 + i] = {{w, y}, {w, y + bh}, {x + bw, h}, {x, h}};
                } else {
                    quads[i] = {{x, h}, {x + bw, h}, {0, yr}, {0, yr + bh}};
                    quads[128 + i] = {{w, yr + bh}, {w, yr}, {x + bw, 0}, {x, 0}};
                }
            }
            canvas.pen.Style = TPenStyle::Clear;
            for (std::size_t k = 0; k < quads.size(); ++k) {
                canvas.brush.Color = colorRamp_[k];
                polygon(quads[k]);
            }
            break;
        }
        case gtEllipse: {
            canvas.brush.Color = clSilver;
            fill({0, 0, w, h});
            canvas.pen.Style = TPenStyle::Clear;
            canvas.pen.Width = 1;
            const int n = w / 2 - 2;
            // Too small for a ring: the silver fill is all (and the steps would divide by zero).
            if (n <= 2) {
                break;
            }
            const float ratio = static_cast<float>(h) / static_cast<float>(w);
            const float step = 255.0f / static_cast<float>(n);
            int x = 1;
            int y = 1;
            for (int i = 2; i <= n - 1; ++i) {
                canvas.brush.Color = ramp(RampIndex(step, i));
                ellipse({x, y, w - x, h - y});
                y = TruncMul(ratio, i);
                x = i;
            }
            break;
        }
        case gtPyramid: {
            const int cx = w / 2;
            const int cy = h / 2;
            canvas.pen.Style = TPenStyle::Solid;
            canvas.pen.Width = 1;
            const float step = 255.0f / static_cast<float>(w + h);
            for (int i = 0; i <= w; ++i) {
                canvas.pen.Color = ramp(RampIndex(step, i));
                line(i, 0, cx, cy);
                canvas.pen.Color = ramp(RampIndex(step, h + i));
                line(cx, cy, i, h);
            }
            for (int i = 0; i <= h; ++i) {
                canvas.pen.Color = ramp(RampIndex(step, w + i));
                line(w, i, cx, cy);
                canvas.pen.Color = ramp(RampIndex(step, i));
                line(cx, cy, -1, i);
            }
            break;
        }
    }
}

void TmxGradient::Draw(TCanvas* canvas, const TRect& r) {
    const int w = r.Width();
    const int h = r.Height();
    const int scale = canvas != nullptr ? canvas->Scale() : cacheScale_;
    // Only what the canvas's image can show of r is rendered (all of r without a canvas).
    TRect part{0, 0, std::max(0, w), std::max(0, h)};
    if (canvas != nullptr && canvas->Image() != nullptr) {
        const QImage& image = *canvas->Image();
        const TRect bounds{0, 0, (image.width() + scale - 1) / scale,
                           (image.height() + scale - 1) / scale};
        if (r.Intersect(bounds) != r) {
            part = r.Intersect(bounds).Offset(-r.Left, -r.Top);
        }
    }
    if (cacheRect_.Width() != w || cacheRect_.Height() != h || cacheScale_ != scale ||
        cachePart_ != part) {
        cacheRect_ = r;
        cacheScale_ = scale;
        cachePart_ = part;
        if (w > 0 && h > 0 && !part.IsEmpty()) {
            // Rendered per image pixel, so a screen at double scale gets the finer ramp.
            cacheBitmap_ =
                QImage(part.Width() * scale, part.Height() * scale, QImage::Format_RGB32);
            cacheBitmap_.fill(0xFF000000u);
            TCanvas cacheCanvas(&cacheBitmap_);
            RenderGradient(cacheCanvas, w * scale, h * scale, part.Left * scale, part.Top * scale);
            cacheBitmap_.setDevicePixelRatio(scale);
        } else {
            cacheBitmap_ = QImage();
        }
    }
    if (canvas == nullptr || w <= 0 || h <= 0 || part.IsEmpty()) {
        return;
    }
    const int x = r.Left + part.Left;
    const int y = r.Top + part.Top;
    if (drawStyle_ == gtEllipse) {
        canvas->Draw(x, y, cacheBitmap_, clSilver);
    } else {
        canvas->Draw(x, y, cacheBitmap_);
    }
}

// --- Blending --------------------------------------------------------------------------------

void BlendRectWithColor(QImage* bitmap, TRect r, int weight, TColor color) {
    if (!Ensure32Bit(bitmap)) {
        return;
    }
    // The cut works in logical pixels; a last block cut by the image's edge counts.
    const int scale = ImageScale(*bitmap);
    const int width = (bitmap->width() + scale - 1) / scale;
    const int height = (bitmap->height() + scale - 1) / scale;
    if (r.Top > height || r.Left > width) {
        return;
    }
    r.Bottom = std::min(r.Bottom, height);
    r.Right = std::min(r.Right, width);
    r.Top = std::max(r.Top, 0);
    r.Left = std::max(r.Left, 0);
    const TRect area = PhysicalRect(*bitmap, r);
    const auto w = static_cast<std::uint32_t>(std::clamp(weight, 0, 255));
    const std::uint32_t s = ColorToPixel(color) & 0x00FFFFFFu;
    for (int y = area.Top; y < area.Bottom; ++y) {
        auto* line = reinterpret_cast<std::uint32_t*>(bitmap->scanLine(y));
        for (int x = area.Left; x < area.Right; ++x) {
            const std::uint32_t d = line[x] & 0x00FFFFFFu;
            if (s == d) {
                continue;
            }
            // Red and blue share one multiplication, green takes another.
            const std::uint32_t rb =
                ((s & 0x00FF00FFu) * w + (d & 0x00FF00FFu) * (255 - w)) & 0xFF00FF00u;
            const std::uint32_t g =
                ((s & 0x0000FF00u) * w + (d & 0x0000FF00u) * (255 - w)) & 0x00FF0000u;
            line[x] = ((rb | g) >> 8) | 0xFF000000u;
        }
    }
}

// --- TmxCustomBackground ---------------------------------------------------------------------

void TmxCustomBackground::SetBitmap(const QImage& value) {
    bitmap_ = value;
    Changed();
}

void TmxCustomBackground::SetAlphaBlend(std::uint8_t value) {
    SetAndNotify(alphaBlend_, value);
}

void TmxCustomBackground::SetBitmapCopy(TmxBitmapCopy value) {
    SetAndNotify(bitmapCopy_, value);
}

void TmxCustomBackground::SetStyle(TmxBackgroundStyle value) {
    SetAndNotify(style_, value);
}

void TmxCustomBackground::SetColor(TColor value) {
    SetAndNotify(color_, value);
}

void TmxCustomBackground::SetGrayscale(bool value) {
    SetAndNotify(grayscale_, value);
}

void TmxCustomBackground::SetOnChangeParameter(TNotifyEvent handler) {
    gradient_.SetOnChangeParameter(handler);
    TPersistent::SetOnChangeParameter(std::move(handler));
}

void TmxCustomBackground::CopyFrom(const TmxCustomBackground& other) {
    alphaBlend_ = other.alphaBlend_;
    bitmap_ = other.bitmap_;
    style_ = other.style_;
    bitmapCopy_ = other.bitmapCopy_;
    color_ = other.color_;
    gradient_.Assign(other.gradient_);
    grayscale_ = other.grayscale_;
}

void TmxCustomBackground::FillColor(TCanvas& canvas, const TRect& r) {
    canvas.brush.Color = color_;
    canvas.FillRect(r);
}

void TmxCustomBackground::DrawBitmap(TCanvas& canvas, const TRect& r, bool tiled) {
    if (bitmap_.isNull() || bitmap_.width() <= 0 || bitmap_.height() <= 0) {
        return;
    }
    static constexpr TRasterOp kOps[] = {TRasterOp::MergeCopy, TRasterOp::MergePaint,
                                         TRasterOp::SrcCopy, TRasterOp::SrcErase,
                                         TRasterOp::SrcPaint};
    const TRasterOp op = kOps[bitmapCopy_];
    // Tiles step by the picture's logical size: a picture made for double scale covers half.
    const int ratio = ImageScale(bitmap_);
    const int tileWidth = std::max(1, bitmap_.width() / ratio);
    const int tileHeight = std::max(1, bitmap_.height() / ratio);
    canvas.SetClipRect(r);
    if (!tiled) {
        canvas.CopyMode(r.Left, r.Top, bitmap_, op);
    } else {
        for (int y = r.Top; y < r.Bottom; y += tileHeight) {
            for (int x = r.Left; x < r.Right; x += tileWidth) {
                canvas.CopyMode(x, y, bitmap_, op);
            }
        }
    }
    canvas.ClearClipRect();
}

void TmxCustomBackground::ApplyAlpha(QImage* bitmap, const TRect& r) {
    if (alphaBlend_ != 255) {
        BlendRectWithColor(bitmap, r, 255 - alphaBlend_, color_);
    }
}

void TmxCustomBackground::ApplyGrayscale(QImage* bitmap, const TRect& r) {
    if (!grayscale_ || !Ensure32Bit(bitmap)) {
        return;
    }
    // Only the part inside the image: a rectangle reaching past it must not write past it.
    const TRect area = PhysicalRect(*bitmap, r);
    for (int y = area.Top; y < area.Bottom; ++y) {
        auto* line = reinterpret_cast<std::uint32_t*>(bitmap->scanLine(y));
        for (int x = area.Left; x < area.Right; ++x) {
            // The average of the four bytes; the fourth, opacity here, counts as 0, the value
            // it has in a plain 32-bit bitmap.
            const std::uint32_t p = line[x];
            const std::uint32_t g = ((p & 0xFFu) + ((p >> 8) & 0xFFu) + ((p >> 16) & 0xFFu)) >> 2;
            line[x] = 0xFF000000u | (g << 16) | (g << 8) | g;
        }
    }
}

void TmxCustomBackground::PaintBackground(QImage* bitmap, const TRect& r) {
    if (painting_ || r.Right - r.Left <= 0 || !Ensure32Bit(bitmap)) {
        return;
    }
    painting_ = true;
    try {
        TCanvas canvas(bitmap);
        canvas.brush.Style = TBrushStyle::Solid;
        switch (style_) {
            case btBitmap:
                FillColor(canvas, r);
                DrawBitmap(canvas, r, false);
                break;
            case btGradient:
                FillColor(canvas, r);
                gradient_.Draw(&canvas, r);
                break;
            case btSolid:
                FillColor(canvas, r);
                break;
            case btTileBitmap:
                FillColor(canvas, r);
                DrawBitmap(canvas, r, true);
                break;
            case btTransparent:
                break;
        }
        ApplyAlpha(bitmap, r);
        ApplyGrayscale(bitmap, r);
    } catch (...) {
        // A paint leaves what it managed to draw; it never throws into the paint event.
        ReportFault("TmxCustomBackground::PaintBackground", std::current_exception(),
                    FaultBox::LogOnly);
    }
    painting_ = false;
}

// --- TmxBackground ---------------------------------------------------------------------------

void TmxBackground::Assign(const TPersistent& source) {
    const auto* other = dynamic_cast<const TmxBackground*>(&source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    CopyFrom(*other);
    Changed();
}

void TmxBackground::AssignTo(TPersistent& dest) const {
    AssignToSameClass(*this, dest);
}

}  // namespace orv
