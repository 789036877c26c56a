// The bar's eleven looks. Each is one of three shared groups of values and then its own
// additions, written through the ordinary setters inside one update bracket.
#include <QApplication>
#include <QPointer>
#include <vector>

#include "navbar/navigation_bar.h"

namespace orv {

namespace {

// The preset font: the desktop's UI face at 8 points, plain, in the window text colour or white.
void SetPresetFont(TFont& font, TColor color) {
    QFont face = QApplication::font();
    face.setPointSize(8);
    face.setBold(false);
    face.setItalic(false);
    face.setUnderline(false);
    face.setStrikeOut(false);
    TFont preset;
    preset.SetFace(face);
    preset.SetColor(color);
    font.Assign(preset);
}

void SetBold(TFont& font) {
    QFont face = font.Face();
    face.setBold(true);
    font.SetFace(face);
}

void SetSolid(TmxCustomBackground& background, TColor color) {
    background.SetColor(color);
    background.SetStyle(btSolid);
    background.SetGrayscale(false);
}

void SetPen(TPen& pen, TColor color, int width) {
    pen.SetColor(color);
    pen.SetStyle(TPenStyle::Solid);
    pen.SetWidth(width);
}

// The settings common to the list bar and office groups.
void SetListSettings(TmxBarSettings& s) {
    s.SetAlignment(taCenter);
    s.SetButtonStyle(bsLarge);
    s.SetButtonView(bvNormal);
    s.SetCaptionStyle(csButtonStyle);
    s.SetColor(clBtnFace);
    s.SetDistance(0);
    s.SetGlyphTop(10);
    s.SetHeight(22);
    s.SetLargeWidth(60);
    s.SetLargeHeight(60);
    s.SetSmallHeight(30);
    s.SetPicLabDistance(1);
    SetPresetFont(s.Font(), clWindowText);
    SetPresetFont(s.HighlightFont(), clWindowText);
    SetPresetFont(s.ButtonFont(), clWindowText);
    SetPresetFont(s.ButtonHighlightFont(), clWindowText);
}

std::vector<TmxHeader*> AllHeaders(const TmxSideBar& bar) {
    std::vector<TmxHeader*> all;
    for (int i = 0; i < bar.HeaderCount(); ++i) {
        all.push_back(bar.GetHeader(i));
    }
    return all;
}

}  // namespace

void TmxSideBar::ApplyListBarGroup(TColor color, TColor buttonFontColor, int firstButtonTop) {
    SetSolid(background_, color);
    SetBevelInner(bvLowered);
    SetBevelOuter(bvLowered);
    SetBevelWidth(1);
    SetBorderStyle(bsNone);
    SetBorderWidth(0);
    SetCommonStyle(true);
    SetFlat(false);
    SetScrollBoxSize(15);
    SetScrollView(ssNormal);
    SetViewStyle(vsListBar);
    SetOptions(options_ & ~BarOptions({boActivateToolBoxScroller}));
    SetListSettings(settings_);
    settings_.ButtonFont().SetColor(buttonFontColor);
    settings_.ButtonHighlightFont().SetColor(buttonFontColor);
    for (TmxHeader* h : AllHeaders(*this)) {
        SetSolid(h->Background(), color);
        h->SetFirstButtonTop(firstButtonTop);
        h->SetMargin(4);
        h->SetOptions(HeaderOptions({hoButtonDown}));
        h->SetSpacing(2);
        h->SetTransparent(false);
        h->Glyph().SetVisible(false);
    }
}

void TmxSideBar::ApplyOfficeGroup() {
    SetSolid(background_, 0xC0C0C0);
    SetBevelInner(bvNone);
    SetBevelOuter(bvLowered);
    SetBevelWidth(1);
    SetBorderStyle(bsNone);
    SetBorderWidth(0);
    SetCommonStyle(true);
    SetFlat(true);
    SetScrollBoxSize(15);
    SetScrollView(ssNormal);
    SetViewStyle(vsListBar);
    SetOptions(options_ & ~BarOptions({boActivateToolBoxScroller}));
    SetListSettings(settings_);
    for (TmxHeader* h : AllHeaders(*this)) {
        SetSolid(h->Background(), 0xC0C0C0);
        h->SetFirstButtonTop(10);
        h->SetMargin(4);
        h->SetOptions(HeaderOptions({hoActivateOnSelect, hoButtonDown}));
        h->SetSpacing(2);
        h->SetTransparent(false);
        h->Glyph().SetVisible(false);
    }
}

void TmxSideBar::ApplyExplorerGroup(TColor color, TColor headerPenColor, int firstButtonTop,
                                    bool captionBorder, bool whiteCaptions) {
    SetSolid(background_, color);
    SetBevelWidth(1);
    SetBevelInner(bvNone);
    SetBevelOuter(bvLowered);
    SetFlat(true);
    SetBorderStyle(bsNone);
    SetBorderWidth(0);
    SetCommonStyle(true);
    SetViewStyle(vsExplorerBar);
    SetOptions(options_ & ~BarOptions({boExplorerBorder}));
    border_.SetLeft(5);
    border_.SetTop(5);
    border_.SetRight(5);
    border_.SetBottom(5);
    border_.SetSeparator(5);
    TmxBarSettings& s = settings_;
    s.SetAlignment(taLeftJustify);
    s.SetButtonStyle(bsLarge);
    s.SetButtonView(bvExplorer);
    s.SetCaptionStyle(csCustomDraw);
    s.SetColor(clBtnFace);
    s.SetDistance(0);
    s.SetGlyphTop(10);
    s.SetHeight(25);
    s.SetLargeWidth(60);
    s.SetLargeHeight(60);
    s.SetSmallHeight(30);
    s.SetPicLabDistance(3);
    s.SetExplorerAddOn(15);
    SetSolid(s.ButtonUp(), clBtnFace);
    SetPen(s.HeaderPen(), headerPenColor, 1);
    SetPen(s.CaptionPen(), clBtnFace, 1);
    s.StatusButton().SetArrowColor(clBlack);
    s.StatusButton().SetTransparent(true);
    s.StatusButton().SetBorderColor(clBtnFace);
    SetPresetFont(s.ButtonFont(), clWindowText);
    SetPresetFont(s.ButtonHighlightFont(), clWindowText);
    const TColor captionColor = whiteCaptions ? clWhite : clWindowText;
    SetPresetFont(s.Font(), captionColor);
    SetPresetFont(s.HighlightFont(), captionColor);
    SetBold(s.Font());
    SetBold(s.HighlightFont());
    TmxHeaderOptions options =
        HeaderOptions({hoButtonDown, hoDrawBorder, hoRoundedHeader, hoShowStatusButton});
    if (captionBorder) {
        options |= HeaderOptions({hoDrawCaptionBorder});
    }
    for (TmxHeader* h : AllHeaders(*this)) {
        SetSolid(h->Background(), color);
        h->Background().SetStyle(btTransparent);
        h->SetFirstButtonTop(firstButtonTop);
        h->SetMargin(4);
        h->SetOptions(options);
        h->SetSpacing(2);
        h->SetTransparent(false);
        h->Glyph().SetVisible(true);
    }
}

void TmxSideBar::ApplyToolBoxAdditions() {
    settings_.SetAlignment(taLeftJustify);
    settings_.SetButtonStyle(bsSmall);
    settings_.SetButtonView(bvToolBox);
    settings_.SetSmallHeight(25);
    settings_.SetHeight(19);
    SetScrollView(ssToolBox);
}

void TmxSideBar::SetHeaderWashes(std::uint8_t alphaBlend) {
    for (TmxHeader* h : AllHeaders(*this)) {
        h->Background().SetAlphaBlend(alphaBlend);
        h->Background().SetStyle(btTransparent);
        h->Background().SetColor(clWhite);
    }
}

void TmxSideBar::SetPreSet(TmxPreSet value) {
    BeginUpdate();
    try {
        ApplyPreSet(value);
    } catch (...) {
        EndUpdate();
        throw;
    }
    const QPointer<TmxSideBar> alive(this);
    if (OnAfterChangeStyle) {
        const TmxEventAfterChangeStyle handler = OnAfterChangeStyle;
        try {
            handler(this, value);
        } catch (...) {
            if (alive) {
                EndUpdate();
            }
            throw;
        }
    }
    // The handler may have destroyed the bar.
    if (alive) {
        EndUpdate();
    }
}

void TmxSideBar::ApplyPreSet(TmxPreSet value) {
    preSet_ = value;
    TmxBarSettings& s = settings_;
    switch (value) {
        case psListBar:
            ApplyListBarGroup(0x808080, 0xFFFFFF, 10);
            break;
        case psFlatListBar:
            ApplyListBarGroup(0x808080, 0xFFFFFF, 10);
            SetBevelInner(bvNone);
            SetFlat(true);
            break;
        case psListBarExpress:
            ApplyListBarGroup(0x808080, 0xFFFFFF, 10);
            SetBevelInner(bvNone);
            SetFlat(true);
            SetScrollView(ssExpress);
            s.SetButtonView(bvToolBox);
            SetOptions(options_ | BarOptions({boActivateToolBoxScroller}));
            break;
        case psOffice:
            ApplyOfficeGroup();
            break;
        case psOfficeXP:
            ApplyOfficeGroup();
            s.SetButtonView(bvWindowsXP);
            s.XPColors().SetDefaults();
            break;
        case psOffice2000:
            ApplyOfficeGroup();
            s.SetButtonView(bvWindows2000);
            s.XPColors().SetDefaults();
            break;
        case psToolBox:
            ApplyListBarGroup(0xC0C0C0, 0x808080, 2);
            ApplyToolBoxAdditions();
            break;
        case psFlatToolBox:
            ApplyListBarGroup(0xC0C0C0, 0x808080, 2);
            SetBevelInner(bvNone);
            SetFlat(true);
            ApplyToolBoxAdditions();
            break;
        case psExplorerBar:
            ApplyExplorerGroup(0xAB8A76, clBtnFace, 10, true, false);
            s.SetButtonStyle(bsSmall);
            s.SetButtonView(bvNormal);
            SetHeaderWashes(70);
            break;
        case psExplorerBarXP: {
            ApplyExplorerGroup(0xFFFFFF, 0x808080, 10, false, true);
            background_.SetAlphaBlend(255);
            background_.SetStyle(btGradient);
            background_.Gradient().SetBeginColor(0xE99F7B);
            background_.Gradient().SetEndColor(0xD67764);
            s.SetButtonStyle(bsSmall);
            s.SetButtonView(bvExplorer);
            s.SetPicLabDistance(3);
            s.StatusButton().SetArrowColor(0xFFF9D7);
            s.StatusButton().SetBorderColor(0xEA9361);
            s.StatusButton().SetTransparent(true);
            TmxButtonBackground* buttons[] = {&s.ButtonUp(), &s.ButtonDown(), &s.ButtonFocused(),
                                              &s.ButtonDisabled()};
            for (TmxButtonBackground* b : buttons) {
                b->SetAlphaBlend(255);
                b->SetGrayscale(false);
                b->SetStyle(btSolid);
                b->SetColor(b == &s.ButtonUp() ? 0xCC5E2E : 0x9F4406);
            }
            for (TmxButtonBackground* b : buttons) {
                b->Gradient().SetBeginColor(0x9F4406);
                b->Gradient().SetEndColor(0xCC5E2E);
                b->Gradient().SetDrawStyle(gtLeftToRight);
            }
            SetHeaderWashes(50);
            break;
        }
        case psExplorerBar2000:
            ApplyExplorerGroup(0x800000, 0xFFFFFF, 10, false, true);
            s.SetButtonStyle(bsSmall);
            s.SetButtonView(bvWindows2000);
            s.XPColors().SetBorderColor(0xFFFFFF);
            s.ButtonFont().SetColor(0xFFFFFF);
            s.ButtonHighlightFont().SetColor(0xFFFFFF);
            s.HeaderPen().SetColor(0xFFFFFF);
            s.HeaderPen().SetWidth(2);
            SetHeaderWashes(150);
            break;
    }
}

}  // namespace orv
