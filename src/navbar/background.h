// Surfaces of the side bar: gradients rendered from a 256-entry colour ramp, and backgrounds
// (solid, picture, gradient or transparent, optionally washed towards their colour and greyed).
#pragma once

#include <QImage>
#include <array>
#include <cstdint>

#include "navbar/drawing.h"
#include "navbar/persistent.h"

namespace orv {

enum TmxGradientDirection { gdNormal, gdInverse };

enum TmxGradientStyle {
    gtCornerTopLeft,
    gtCornerTopRight,
    gtCornerBottomRight,
    gtCornerBottomLeft,
    gtDiagonalRising,
    gtDiagonalFalling,
    gtEllipse,
    gtPyramid,
    gtVerticalToCenter,
    gtHorizontalToCenter,
    gtLeftToRight,
    gtTopToBottom,
};

class TmxGradient : public TPersistent {
  public:
    TmxGradient();

    const char* ClassName() const override { return "TmxGradient"; }
    void Assign(const TPersistent& source) override;

    TmxGradientDirection Direction() const { return direction_; }
    void SetDirection(TmxGradientDirection value);
    TColor BeginColor() const { return beginColor_; }
    void SetBeginColor(TColor value) { SetColor(1, value); }
    TColor EndColor() const { return endColor_; }
    void SetEndColor(TColor value) { SetColor(2, value); }
    TmxGradientStyle DrawStyle() const { return drawStyle_; }
    void SetDrawStyle(TmxGradientStyle value);

    // Entries are 0x00BBGGRR.
    const std::array<std::uint32_t, 256>& ColorRamp() const { return colorRamp_; }
    // The rectangle last rendered; empty when the next Draw must render.
    const TRect& CacheRect() const { return cacheRect_; }
    // Rendered at the scale of the canvas last drawn on, one pixel per image pixel, and
    // carrying that scale as its device pixel ratio.
    const QImage& CacheBitmap() const { return cacheBitmap_; }

    // Renders when the size of r or the canvas scale differs from the cached one, then copies
    // the cache to r's top-left corner; a null canvas only brings the cache up to date. When r
    // reaches beyond the canvas's image only the part inside it is rendered and kept, so a
    // gradient far larger than the image costs no more memory than the image.
    virtual void Draw(TCanvas* canvas, const TRect& r);
    // The part of the last rectangle the cache holds, relative to its top-left corner.
    const TRect& CachePart() const { return cachePart_; }

  protected:
    void AssignTo(TPersistent& dest) const override;

  private:
    void SetColor(int index, TColor value);
    void BuildRamp();
    // Renders the w x h gradient onto canvas with its point (ox, oy) at the canvas's origin.
    void RenderGradient(TCanvas& canvas, int w, int h, int ox, int oy);

    TRect cacheRect_;
    TRect cachePart_;
    TmxGradientDirection direction_ = gdNormal;
    TColor beginColor_ = clBtnFace;
    TColor endColor_ = clBlue;
    TmxGradientStyle drawStyle_ = gtLeftToRight;
    std::array<std::uint32_t, 256> colorRamp_{};
    QImage cacheBitmap_;
    int cacheScale_ = 1;
};

enum TmxBitmapCopy { bcMergeCopy, bcMergePaint, bcSrcCopy, bcSrcErase, bcSrcPaint };
enum TmxBackgroundStyle { btBitmap, btGradient, btSolid, btTileBitmap, btTransparent };

// Washes r of a 32-bit image towards `color`: each colour byte becomes
// (colour * weight + pixel * (255 - weight)) div 256. Pixels already of the colour stay as they
// are; r is cut to the image. r is in logical pixels (see ImageScale).
void BlendRectWithColor(QImage* bitmap, TRect r, int weight, TColor color);

class TmxCustomBackground : public TPersistent {
  public:
    ~TmxCustomBackground() override = default;

    const QImage& Bitmap() const { return bitmap_; }
    void SetBitmap(const QImage& value);
    // The weight of what is painted: 255 keeps it, 0 replaces it by Color.
    std::uint8_t AlphaBlend() const { return alphaBlend_; }
    void SetAlphaBlend(std::uint8_t value);
    TmxBitmapCopy BitmapCopy() const { return bitmapCopy_; }
    void SetBitmapCopy(TmxBitmapCopy value);
    TmxBackgroundStyle Style() const { return style_; }
    void SetStyle(TmxBackgroundStyle value);
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    TmxGradient& Gradient() { return gradient_; }
    const TmxGradient& Gradient() const { return gradient_; }
    bool Grayscale() const { return grayscale_; }
    void SetGrayscale(bool value);
    bool Painting() const { return painting_; }

    // The gradient reports its own changes to the same handler.
    void SetOnChangeParameter(TNotifyEvent handler) override;

    // Paints r (logical pixels) of a 32-bit image. Never throws.
    virtual void PaintBackground(QImage* bitmap, const TRect& r);

  protected:
    explicit TmxCustomBackground(TColor color) : color_(color) {}

    // Copies the fields; the gradient reports its own change.
    void CopyFrom(const TmxCustomBackground& other);

    virtual void FillColor(TCanvas& canvas, const TRect& r);
    virtual void DrawBitmap(TCanvas& canvas, const TRect& r, bool tiled);
    virtual void ApplyAlpha(QImage* bitmap, const TRect& r);
    virtual void ApplyGrayscale(QImage* bitmap, const TRect& r);

  private:
    QImage bitmap_;
    std::uint8_t alphaBlend_ = 255;
    TmxBitmapCopy bitmapCopy_ = bcSrcCopy;
    TmxBackgroundStyle style_ = btSolid;
    TColor color_;
    TmxGradient gradient_;
    bool grayscale_ = false;
    bool painting_ = false;
};

class TmxBackground : public TmxCustomBackground {
  public:
    TmxBackground() : TmxCustomBackground(clGray) {}

    const char* ClassName() const override { return "TmxBackground"; }
    void Assign(const TPersistent& source) override;

  protected:
    explicit TmxBackground(TColor color) : TmxCustomBackground(color) {}
    void AssignTo(TPersistent& dest) const override;
};

class TmxButtonBackground : public TmxBackground {
  public:
    TmxButtonBackground() : TmxBackground(clBtnFace) {}

    const char* ClassName() const override { return "TmxButtonBackground"; }
};

}  // namespace orv
