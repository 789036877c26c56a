// Fonts and pens the bar's settings own: plain values with a change notice, so the settings can
// relay any change to their owner.
#pragma once

#include <QFont>
#include <functional>

#include "navbar/drawing.h"

namespace orv {

class TFont {
  public:
    // The platform's default font in the window text colour.
    TFont() = default;
    TFont(const TFont&) = delete;
    TFont& operator=(const TFont&) = delete;

    const QFont& Face() const { return face_; }
    void SetFace(const QFont& value);
    TColor Color() const { return color_; }
    void SetColor(TColor value);

    // Copies face and colour and reports once.
    void Assign(const TFont& source);

    std::function<void()> OnChange;

  private:
    void Changed();

    QFont face_;
    TColor color_ = clWindowText;
};

class TPen {
  public:
    TPen() = default;
    TPen(const TPen&) = delete;
    TPen& operator=(const TPen&) = delete;

    TColor Color() const { return color_; }
    void SetColor(TColor value);
    TPenStyle Style() const { return style_; }
    void SetStyle(TPenStyle value);
    int Width() const { return width_; }
    void SetWidth(int value);

    // Copies colour, style and width and reports once.
    void Assign(const TPen& source);

    std::function<void()> OnChange;

  private:
    void Changed();

    TColor color_ = clBlack;
    TPenStyle style_ = TPenStyle::Solid;
    int width_ = 1;
};

}  // namespace orv
