// The saved state of a side bar. One description of the stored properties per class (the Visit
// functions) serves three passes: writing them to JSON, checking a JSON document into a plain
// description of path -> value, and applying that description through the ordinary setters.
// Loading runs the check over the whole stream first, so a bad stream changes nothing.
//
// Image lists, popup menus, actions and event handlers are references the program sets up when
// it builds the bar; they are not stored, and a load leaves the bar's own ones as they were
// (headers and buttons are made anew, so theirs start empty).
#include "navbar/bar_stream.h"

#include "navbar/caption_editor.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSaveFile>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <numeric>
#include <set>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "navbar/navigation_bar.h"

namespace orv {
namespace {

using Names = std::vector<const char*>;

const Names kAlignNames{"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom"};
const Names kBevelCuts{"bvNone", "bvLowered", "bvRaised", "bvSpace"};
const Names kBorderStyles{"bsNone", "bsSingle"};
const Names kExplorerMethods{"emStandard", "emCloseUp"};
const Names kHeaderScrollTypes{"stNone", "stLinear", "stAccelerated"};
const Names kScrollViews{"ssNormal", "ssExpress", "ssToolBox"};
const Names kViewStyles{"vsExplorerBar", "vsListBar"};
const Names kBarOptions{"boAcceptOLEDrop",      "boActivateToolBoxScroller",
                        "boAlwaysFlatScroller", "boAutoScroll",
                        "boAutoChangeHeader",   "boChangeToDisabled",
                        "boExplorerBorder",     "boFocusOnMouseEnter",
                        "boHeaderFrame",        "boInternalDrop",
                        "hoShowFocusRect"};
const Names kBackgroundStyles{"btBitmap", "btGradient", "btSolid", "btTileBitmap", "btTransparent"};
const Names kBitmapCopies{"bcMergeCopy", "bcMergePaint", "bcSrcCopy", "bcSrcErase", "bcSrcPaint"};
const Names kGradientDirections{"gdNormal", "gdInverse"};
const Names kGradientStyles{
    "gtCornerTopLeft",    "gtCornerTopRight",     "gtCornerBottomRight", "gtCornerBottomLeft",
    "gtDiagonalRising",   "gtDiagonalFalling",    "gtEllipse",           "gtPyramid",
    "gtVerticalToCenter", "gtHorizontalToCenter", "gtLeftToRight",       "gtTopToBottom"};
const Names kAlignments{"taLeftJustify", "taRightJustify", "taCenter"};
const Names kButtonStyles{"bsLarge", "bsSmall"};
const Names kButtonViews{"bvBig",     "bvExplorer",    "bvNormal",
                         "bvToolBox", "bvWindows2000", "bvWindowsXP"};
const Names kCaptionStyles{"csButtonStyle", "csCustomDraw"};
const Names kGlyphLayouts{"glGlyphLeft", "glGlyphRight", "glGlyphCenter"};
// In the order of TPenStyle.
const Names kPenStyles{"psSolid", "psClear", "psDot"};
const Names kGlyphPositions{"gpTopLeft", "gpTopRight", "gpBottomLeft", "gpBottomRight", "gpCenter"};
const Names kHeaderStates{"hsOpened", "hsClosed"};
const Names kBiDiModes{"bdLeftToRight", "bdRightToLeft", "bdRightToLeftNoAlign",
                       "bdRightToLeftReadingOnly"};
const Names kHeaderOptions{
    "hoActivateOnSelect",  "hoAlwaysFlat",        "hoButtonDown",         "hoCustomSettings",
    "hoDrawBorder",        "hoDrawCaptionBorder", "hoDrawDisabledButton", "hoDrawDownButton",
    "hoDrawFocusedButton", "hoFocusDisabled",     "hoNoCaption",          "hoReadOnlyCaption",
    "hoRoundedHeader",     "hoShowSelectedImage", "hoShowStatusButton",   "hoUseHighlightFont"};
const Names kButtonKinds{"bkButton", "bkLabel", "bkCheckBox", "bkPushButton", "bkRadioButton"};
const Names kCheckStates{"cbUnchecked", "cbChecked", "cbGrayed"};
const Names kButtonOptions{"boAutoWidthLabel", "boCustomFont",    "boCustomStyle",
                           "boCustomView",     "boUnderlineFont", "boReadOnlyCaption"};

// Largest width or height a window can have on screen: an X window is at most 32767 pixels a
// side, whatever larger size (up to QWIDGETSIZE_MAX) the widget takes. A larger stored size
// is not one a bar was saved with.
constexpr std::int64_t kMaxWidgetSize = 32767;

// Keys of the document.
const QString kClassKey = QStringLiteral("Class");
const QString kNameKey = QStringLiteral("Name");
const QString kChecksumKey = QStringLiteral("Checksum");
const QString kPropertiesKey = QStringLiteral("Properties");
const QString kHeadersKey = QStringLiteral("Headers");
const QString kButtonsKey = QStringLiteral("Buttons");
const QString kAlignInfoKey = QStringLiteral("AlignInfo");
const QString kActiveIndexKey = QStringLiteral("ActiveIndex");
const QString kBarClass = QStringLiteral("TmxSideBar");

[[noreturn]] void Fail(const std::string& what) {
    throw EReadError("Cannot read the side bar: " + what);
}

// Walks the stored properties of one object. Each call names a property, how it is stored, and
// how to read and write it on the object; nested objects are visited through Object.
class PropertyVisitor {
  public:
    virtual ~PropertyVisitor() = default;

    virtual void Bool(const char* name, const std::function<bool()>& get,
                      const std::function<void(bool)>& set) = 0;
    // An integer within min..max.
    virtual void Int(const char* name, std::int64_t min, std::int64_t max,
                     const std::function<std::int64_t()>& get,
                     const std::function<void(std::int64_t)>& set) = 0;
    // One of `names`, stored by name; the value is its position.
    virtual void Enum(const char* name, const Names& names,
                      const std::function<std::int64_t()>& get,
                      const std::function<void(std::int64_t)>& set) = 0;
    // A set with bit n for names[n], stored as the list of the names present.
    virtual void Set(const char* name, const Names& names, const std::function<std::int64_t()>& get,
                     const std::function<void(std::int64_t)>& set) = 0;
    virtual void String(const char* name, const std::function<std::string()>& get,
                        const std::function<void(const std::string&)>& set) = 0;
    // A picture, stored as PNG bytes; an empty picture as an empty text.
    virtual void Picture(const char* name, const std::function<QImage()>& get,
                         const std::function<void(const QImage&)>& set) = 0;
    // A font face, in QFont's own text form.
    virtual void Face(const char* name, const std::function<QFont()>& get,
                      const std::function<void(const QFont&)>& set) = 0;
    // The properties of an owned object; `body` visits them.
    virtual void Object(const char* name, const std::function<void()>& body) = 0;
};

// Typed shorthands over the visitor: the range of an integer follows the setter's type.
template <typename Obj, typename Get, typename Setter>
void IntProp(PropertyVisitor& v, const char* name, Obj* o, Get get, Setter set) {
    using T = std::decay_t<std::invoke_result_t<Get, Obj*>>;
    static_assert(std::is_integral_v<T> && sizeof(T) <= 4);
    v.Int(
        name, std::numeric_limits<T>::min(), std::numeric_limits<T>::max(),
        [o, get] { return static_cast<std::int64_t>(std::invoke(get, o)); },
        [o, set](std::int64_t x) { std::invoke(set, o, static_cast<T>(x)); });
}

template <typename Obj, typename Get, typename Setter>
void EnumProp(PropertyVisitor& v, const char* name, const Names& names, Obj* o, Get get,
              Setter set) {
    using T = std::decay_t<std::invoke_result_t<Get, Obj*>>;
    v.Enum(
        name, names, [o, get] { return static_cast<std::int64_t>(std::invoke(get, o)); },
        [o, set](std::int64_t x) { std::invoke(set, o, static_cast<T>(x)); });
}

template <typename Obj, typename Get, typename Setter>
void SetProp(PropertyVisitor& v, const char* name, const Names& names, Obj* o, Get get,
             Setter set) {
    using T = std::decay_t<std::invoke_result_t<Get, Obj*>>;
    v.Set(
        name, names, [o, get] { return static_cast<std::int64_t>(std::invoke(get, o)); },
        [o, set](std::int64_t x) { std::invoke(set, o, static_cast<T>(x)); });
}

template <typename Obj, typename Get, typename Setter>
void BoolProp(PropertyVisitor& v, const char* name, Obj* o, Get get, Setter set) {
    v.Bool(
        name, [o, get] { return static_cast<bool>(std::invoke(get, o)); },
        [o, set](bool x) { std::invoke(set, o, x); });
}

template <typename Obj, typename Get, typename Setter>
void StringProp(PropertyVisitor& v, const char* name, Obj* o, Get get, Setter set) {
    v.String(
        name, [o, get] { return std::string(std::invoke(get, o)); },
        [o, set](const std::string& x) { std::invoke(set, o, x); });
}

template <typename Obj, typename Get, typename Setter>
void PictureProp(PropertyVisitor& v, const char* name, Obj* o, Get get, Setter set) {
    v.Picture(
        name, [o, get] { return QImage(std::invoke(get, o)); },
        [o, set](const QImage& x) { std::invoke(set, o, x); });
}

// The stored properties of each class. The order is the order of application: where one
// setter changes another value (BiDiMode clears ParentBiDiMode, Checked sets CheckState,
// AllowSelected clears SelectedIndex), the dependent value comes after.

void VisitFont(PropertyVisitor& v, TFont* f) {
    v.Face(
        "Face", [f] { return f->Face(); }, [f](const QFont& q) { f->SetFace(q); });
    IntProp(v, "Color", f, &TFont::Color, &TFont::SetColor);
}

void VisitPen(PropertyVisitor& v, TPen* p) {
    IntProp(v, "Color", p, &TPen::Color, &TPen::SetColor);
    EnumProp(v, "Style", kPenStyles, p, &TPen::Style, &TPen::SetStyle);
    IntProp(v, "Width", p, &TPen::Width, &TPen::SetWidth);
}

void VisitGradient(PropertyVisitor& v, TmxGradient* g) {
    EnumProp(v, "Direction", kGradientDirections, g, &TmxGradient::Direction,
             &TmxGradient::SetDirection);
    IntProp(v, "BeginColor", g, &TmxGradient::BeginColor, &TmxGradient::SetBeginColor);
    IntProp(v, "EndColor", g, &TmxGradient::EndColor, &TmxGradient::SetEndColor);
    EnumProp(v, "DrawStyle", kGradientStyles, g, &TmxGradient::DrawStyle,
             &TmxGradient::SetDrawStyle);
}

void VisitBackground(PropertyVisitor& v, TmxCustomBackground* b) {
    PictureProp(v, "Bitmap", b, &TmxCustomBackground::Bitmap, &TmxCustomBackground::SetBitmap);
    IntProp(v, "AlphaBlend", b, &TmxCustomBackground::AlphaBlend,
            &TmxCustomBackground::SetAlphaBlend);
    EnumProp(v, "BitmapCopy", kBitmapCopies, b, &TmxCustomBackground::BitmapCopy,
             &TmxCustomBackground::SetBitmapCopy);
    EnumProp(v, "Style", kBackgroundStyles, b, &TmxCustomBackground::Style,
             &TmxCustomBackground::SetStyle);
    IntProp(v, "Color", b, &TmxCustomBackground::Color, &TmxCustomBackground::SetColor);
    v.Object("Gradient", [&v, b] { VisitGradient(v, &b->Gradient()); });
    BoolProp(v, "Grayscale", b, &TmxCustomBackground::Grayscale,
             &TmxCustomBackground::SetGrayscale);
}

void VisitGlyph(PropertyVisitor& v, TmxGlyph* g) {
    EnumProp(v, "Position", kGlyphPositions, g, &TmxGlyph::Position, &TmxGlyph::SetPosition);
    PictureProp(v, "Bitmap", g, &TmxGlyph::Bitmap, &TmxGlyph::SetBitmap);
    BoolProp(v, "Transparent", g, &TmxGlyph::Transparent, &TmxGlyph::SetTransparent);
    BoolProp(v, "Visible", g, &TmxGlyph::Visible, &TmxGlyph::SetVisible);
}

void VisitBorder(PropertyVisitor& v, TmxBorder* b) {
    IntProp(v, "Top", b, &TmxBorder::Top, &TmxBorder::SetTop);
    IntProp(v, "Bottom", b, &TmxBorder::Bottom, &TmxBorder::SetBottom);
    IntProp(v, "Left", b, &TmxBorder::Left, &TmxBorder::SetLeft);
    IntProp(v, "Right", b, &TmxBorder::Right, &TmxBorder::SetRight);
    IntProp(v, "Separator", b, &TmxBorder::Separator, &TmxBorder::SetSeparator);
}

void VisitStatusButton(PropertyVisitor& v, TmxStatusButton* s) {
    IntProp(v, "ArrowColor", s, &TmxStatusButton::ArrowColor, &TmxStatusButton::SetArrowColor);
    IntProp(v, "Background", s, &TmxStatusButton::Background, &TmxStatusButton::SetBackground);
    IntProp(v, "BorderColor", s, &TmxStatusButton::BorderColor, &TmxStatusButton::SetBorderColor);
    BoolProp(v, "Transparent", s, &TmxStatusButton::Transparent, &TmxStatusButton::SetTransparent);
}

void VisitXPColors(PropertyVisitor& v, TmxXPColors* x) {
    IntProp(v, "BorderColor", x, &TmxXPColors::BorderColor, &TmxXPColors::SetBorderColor);
    IntProp(v, "Background", x, &TmxXPColors::Background, &TmxXPColors::SetBackground);
    IntProp(v, "PressedBackground", x, &TmxXPColors::PressedBackground,
            &TmxXPColors::SetPressedBackground);
    IntProp(v, "ShadowColor", x, &TmxXPColors::ShadowColor, &TmxXPColors::SetShadowColor);
    BoolProp(v, "UseShadow", x, &TmxXPColors::UseShadow, &TmxXPColors::SetUseShadow);
}

void VisitSettings(PropertyVisitor& v, TmxBarSettings* s) {
    using S = TmxBarSettings;
    EnumProp(v, "Alignment", kAlignments, s, &S::Alignment, &S::SetAlignment);
    v.Object("ButtonFont", [&v, s] { VisitFont(v, &s->ButtonFont()); });
    v.Object("ButtonHighlightFont", [&v, s] { VisitFont(v, &s->ButtonHighlightFont()); });
    IntProp(v, "Distance", s, &S::Distance, &S::SetDistance);
    IntProp(v, "PicLabDistance", s, &S::PicLabDistance, &S::SetPicLabDistance);
    IntProp(v, "LargeWidth", s, &S::LargeWidth, &S::SetLargeWidth);
    IntProp(v, "LargeHeight", s, &S::LargeHeight, &S::SetLargeHeight);
    IntProp(v, "SmallHeight", s, &S::SmallHeight, &S::SetSmallHeight);
    v.Object("ButtonUp", [&v, s] { VisitBackground(v, &s->ButtonUp()); });
    v.Object("ButtonDown", [&v, s] { VisitBackground(v, &s->ButtonDown()); });
    v.Object("ButtonFocused", [&v, s] { VisitBackground(v, &s->ButtonFocused()); });
    v.Object("ButtonDisabled", [&v, s] { VisitBackground(v, &s->ButtonDisabled()); });
    EnumProp(v, "ButtonStyle", kButtonStyles, s, &S::ButtonStyle, &S::SetButtonStyle);
    EnumProp(v, "ButtonView", kButtonViews, s, &S::ButtonView, &S::SetButtonView);
    EnumProp(v, "CaptionStyle", kCaptionStyles, s, &S::CaptionStyle, &S::SetCaptionStyle);
    v.Object("CaptionPen", [&v, s] { VisitPen(v, &s->CaptionPen()); });
    IntProp(v, "Color", s, &S::Color, &S::SetColor);
    IntProp(v, "ExplorerAddOn", s, &S::ExplorerAddOn, &S::SetExplorerAddOn);
    v.Object("Font", [&v, s] { VisitFont(v, &s->Font()); });
    IntProp(v, "GlyphTop", s, &S::GlyphTop, &S::SetGlyphTop);
    IntProp(v, "Height", s, &S::Height, &S::SetHeight);
    v.Object("HeaderPen", [&v, s] { VisitPen(v, &s->HeaderPen()); });
    v.Object("HighlightFont", [&v, s] { VisitFont(v, &s->HighlightFont()); });
    BoolProp(v, "KeySupport", s, &S::KeySupport, &S::SetKeySupport);
    EnumProp(v, "Layout", kGlyphLayouts, s, &S::Layout, &S::SetLayout);
    v.Object("StatusButton", [&v, s] { VisitStatusButton(v, &s->StatusButton()); });
    v.Object("XPColors", [&v, s] { VisitXPColors(v, &s->XPColors()); });
}

void VisitCloseButton(PropertyVisitor& v, TmxCloseButton* c) {
    using C = TmxCloseButton;
    StringProp(v, "Caption", c, &C::Caption, &C::SetCaption);
    v.Object("Font", [&v, c] { VisitFont(v, &c->Font()); });
    IntProp(v, "Height", c, &C::Height, &C::SetHeight);
    IntProp(v, "ImageIndex", c, &C::ImageIndex, &C::SetImageIndex);
    IntProp(v, "Margin", c, &C::Margin, &C::SetMargin);
    BoolProp(v, "Transparent", c, &C::Transparent, &C::SetTransparent);
    BoolProp(v, "Visible", c, &C::Visible, &C::SetVisible);
}

void VisitInplaceEditor(PropertyVisitor& v, TmxInplaceEditor* e) {
    using E = TmxInplaceEditor;
    EnumProp(v, "Alignment", kAlignments, e, &E::Alignment, &E::SetAlignment);
    IntProp(v, "BorderColor", e, &E::BorderColor, &E::SetBorderColor);
    BoolProp(v, "Flat", e, &E::Flat, &E::SetFlat);
    v.Object("Font", [&v, e] { VisitFont(v, &e->Font()); });
    BoolProp(v, "ShowBorder", e, &E::ShowBorder, &E::SetShowBorder);
    BoolProp(v, "WordWrap", e, &E::WordWrap, &E::SetWordWrap);
}

// Everything of a button but its name and place.
void VisitButton(PropertyVisitor& v, TmxButton* b) {
    using B = TmxButton;
    BoolProp(v, "AutoSize", b, &B::AutoSize, &B::SetAutoSize);
    EnumProp(v, "Alignment", kAlignments, b, &B::Alignment, &B::SetAlignment);
    BoolProp(v, "AllowGrayed", b, &B::AllowGrayed, &B::SetAllowGrayed);
    EnumProp(v, "ButtonKind", kButtonKinds, b, &B::ButtonKind, &B::SetButtonKind);
    EnumProp(v, "ButtonStyle", kButtonStyles, b, &B::ButtonStyle, &B::SetButtonStyle);
    EnumProp(v, "ButtonView", kButtonViews, b, &B::ButtonView, &B::SetButtonView);
    EnumProp(v, "BiDiMode", kBiDiModes, b, &B::BiDiMode, &B::SetBiDiMode);
    BoolProp(v, "ParentBiDiMode", b, &B::ParentBiDiMode, &B::SetParentBiDiMode);
    BoolProp(v, "Checked", b, &B::Checked, &B::SetChecked);
    EnumProp(v, "CheckState", kCheckStates, b, &B::CheckState, &B::SetCheckState);
    StringProp(v, "Caption", b, &B::Caption, &B::SetCaption);
    IntProp(v, "Color", b, &B::Color, &B::SetColor);
    IntProp(v, "Cursor", b, &B::Cursor, &B::SetCursor);
    BoolProp(v, "Enabled", b, &B::Enabled, &B::SetEnabled);
    v.Object("Font", [&v, b] { VisitFont(v, &b->Font()); });
    v.Object("HighlightFont", [&v, b] { VisitFont(v, &b->HighlightFont()); });
    IntProp(v, "HelpContext", b, &B::HelpContext, &B::SetHelpContext);
    IntProp(v, "Height", b, &B::Height, &B::SetHeight);
    StringProp(v, "Hint", b, &B::Hint, &B::SetHint);
    IntProp(v, "ImageIndex", b, &B::ImageIndex, &B::SetImageIndex);
    IntProp(v, "Margin", b, &B::Margin, &B::SetMargin);
    BoolProp(v, "ShowAccelChar", b, &B::ShowAccelChar, &B::SetShowAccelChar);
    IntProp(v, "Tag", b, &B::Tag, &B::SetTag);
    BoolProp(v, "Transparent", b, &B::Transparent, &B::SetTransparent);
    SetProp(v, "Options", kButtonOptions, b, &B::Options, &B::SetOptions);
    StringProp(v, "UserString", b, &B::UserString, &B::SetUserString);
    BoolProp(v, "Visible", b, &B::Visible, &B::SetVisible);
    IntProp(v, "Width", b, &B::Width, &B::SetWidth);
    BoolProp(v, "WordWrap", b, &B::WordWrap, &B::SetWordWrap);
}

// Everything of a header but its name, place and buttons; applied after the buttons exist, so
// the selection has its button.
void VisitHeader(PropertyVisitor& v, TmxHeader* h) {
    using H = TmxHeader;
    BoolProp(v, "AllowSelected", h, &H::AllowSelected, &H::SetAllowSelected);
    v.Object("Background", [&v, h] { VisitBackground(v, &h->Background()); });
    v.Object("Glyph", [&v, h] { VisitGlyph(v, &h->Glyph()); });
    EnumProp(v, "BiDiMode", kBiDiModes, h, &H::BiDiMode, &H::SetBiDiMode);
    StringProp(v, "Caption", h, &H::Caption, &H::SetCaption);
    BoolProp(v, "Enabled", h, &H::Enabled, &H::SetEnabled);
    IntProp(v, "FirstButtonTop", h, &H::FirstButtonTop, &H::SetFirstButtonTop);
    EnumProp(v, "HeaderState", kHeaderStates, h, &H::HeaderState, &H::SetHeaderState);
    v.Object("Settings", [&v, h] { VisitSettings(v, &h->Settings()); });
    IntProp(v, "ImageIndex", h, &H::ImageIndex, &H::SetImageIndex);
    IntProp(v, "Margin", h, &H::Margin, &H::SetMargin);
    SetProp(v, "Options", kHeaderOptions, h, &H::Options, &H::SetOptions);
    IntProp(v, "Tag", h, &H::Tag, &H::SetTag);
    BoolProp(v, "Transparent", h, &H::Transparent, &H::SetTransparent);
    // A new header has no selection, and writing "none" would clear every other header's.
    v.Int(
        "SelectedIndex", -1, std::numeric_limits<int>::max(), [h] { return h->SelectedIndex(); },
        [h](std::int64_t x) {
            if (x >= 0) {
                h->SetSelectedIndex(static_cast<int>(x));
            }
        });
    IntProp(v, "Spacing", h, &H::Spacing, &H::SetSpacing);
    BoolProp(v, "Visible", h, &H::Visible, &H::SetVisible);
}

// The bar's own values, its owned objects and the stored inherited ones (colour, enabled,
// size). Applied while the bar has no headers, so the explorer method and view style
// setters switch no header.
void VisitBar(PropertyVisitor& v, TmxSideBar* bar) {
    using S = TmxSideBar;
    IntProp(v, "AlertColor", bar, &S::AlertColor, &S::SetAlertColor);
    IntProp(v, "AutoButtonScrollDelay", bar, &S::AutoButtonScrollDelay,
            &S::SetAutoButtonScrollDelay);
    IntProp(v, "AutoScrollDelay", bar, &S::AutoScrollDelay, &S::SetAutoScrollDelay);
    IntProp(v, "AutoChangeDelay", bar, &S::AutoChangeDelay, &S::SetAutoChangeDelay);
    IntProp(v, "AlertInterval", bar, &S::AlertInterval, &S::SetAlertInterval);
    v.Object("Background", [&v, bar] { VisitBackground(v, &bar->Background()); });
    EnumProp(v, "BevelInner", kBevelCuts, bar, &S::BevelInner, &S::SetBevelInner);
    EnumProp(v, "BevelOuter", kBevelCuts, bar, &S::BevelOuter, &S::SetBevelOuter);
    IntProp(v, "BevelWidth", bar, &S::BevelWidth, &S::SetBevelWidth);
    v.Object("Border", [&v, bar] { VisitBorder(v, &bar->Border()); });
    EnumProp(v, "BorderStyle", kBorderStyles, bar, &S::BorderStyle, &S::SetBorderStyle);
    BoolProp(v, "CommonStyle", bar, &S::CommonStyle, &S::SetCommonStyle);
    v.Object("CloseButton", [&v, bar] { VisitCloseButton(v, &bar->CloseButton()); });
    v.Object("InplaceEditor", [&v, bar] { VisitInplaceEditor(v, &bar->InplaceEditor()); });
    IntProp(v, "DropMarkColor", bar, &S::DropMarkColor, &S::SetDropMarkColor);
    BoolProp(v, "EachHeaderSelection", bar, &S::EachHeaderSelection, &S::SetEachHeaderSelection);
    EnumProp(v, "ExplorerMethod", kExplorerMethods, bar, &S::ExplorerMethod, &S::SetExplorerMethod);
    BoolProp(v, "Flat", bar, &S::Flat, &S::SetFlat);
    IntProp(v, "HeaderScrollAcceleration", bar, &S::HeaderScrollAcceleration,
            &S::SetHeaderScrollAcceleration);
    IntProp(v, "ScrollChange", bar, &S::ScrollChange, &S::SetScrollChange);
    EnumProp(v, "HeaderScrollType", kHeaderScrollTypes, bar, &S::HeaderScrollType,
             &S::SetHeaderScrollType);
    IntProp(v, "HeaderScrollValue", bar, &S::HeaderScrollValue, &S::SetHeaderScrollValue);
    IntProp(v, "ScrollBoxSize", bar, &S::ScrollBoxSize, &S::SetScrollBoxSize);
    v.Object("Settings", [&v, bar] { VisitSettings(v, &bar->Settings()); });
    EnumProp(v, "ScrollView", kScrollViews, bar, &S::ScrollView, &S::SetScrollView);
    SetProp(v, "Options", kBarOptions, bar, &S::Options, &S::SetOptions);
    // Written for the reader's information; assigning it has no effect.
    StringProp(v, "Version", bar, &S::Version, &S::SetVersion);
    EnumProp(v, "ViewStyle", kViewStyles, bar, &S::ViewStyle, &S::SetViewStyle);
    IntProp(v, "BorderWidth", bar, &S::BorderWidth, &S::SetBorderWidth);
    IntProp(v, "Color", bar, &S::Color, &S::SetColor);
    // The bar's own switch, not the one it inherits from a disabled parent.
    v.Bool(
        "Enabled", [bar] { return !bar->testAttribute(Qt::WA_ForceDisabled); },
        [bar](bool x) { bar->setEnabled(x); });
    v.Int(
        "Width", 0, kMaxWidgetSize, [bar] { return bar->width(); },
        [bar](std::int64_t x) { bar->resize(static_cast<int>(x), bar->height()); });
    v.Int(
        "Height", 0, kMaxWidgetSize, [bar] { return bar->height(); },
        [bar](std::int64_t x) { bar->resize(bar->width(), static_cast<int>(x)); });
}

// --- Writing ---------------------------------------------------------------------------------

QByteArray PngBytes(const QImage& image) {
    QByteArray bytes;
    if (!image.isNull()) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
    }
    return bytes;
}

class JsonWriter final : public PropertyVisitor {
  public:
    explicit JsonWriter(QJsonObject& target) { stack_.push_back(&target); }

    void Bool(const char* name, const std::function<bool()>& get,
              const std::function<void(bool)>&) override {
        Put(name, get());
    }
    void Int(const char* name, std::int64_t, std::int64_t, const std::function<std::int64_t()>& get,
             const std::function<void(std::int64_t)>&) override {
        Put(name, static_cast<qint64>(get()));
    }
    void Enum(const char* name, const Names& names, const std::function<std::int64_t()>& get,
              const std::function<void(std::int64_t)>&) override {
        const std::int64_t i = get();
        // A value without a name is written as its number, which the reader refuses.
        Put(name, i >= 0 && i < static_cast<std::int64_t>(names.size())
                      ? QJsonValue(QLatin1String(names[static_cast<std::size_t>(i)]))
                      : QJsonValue(static_cast<qint64>(i)));
    }
    void Set(const char* name, const Names& names, const std::function<std::int64_t()>& get,
             const std::function<void(std::int64_t)>&) override {
        const std::int64_t bits = get();
        QJsonArray present;
        for (std::size_t n = 0; n < names.size(); ++n) {
            if ((bits >> n) & 1) {
                present.append(QLatin1String(names[n]));
            }
        }
        Put(name, present);
    }
    void String(const char* name, const std::function<std::string()>& get,
                const std::function<void(const std::string&)>&) override {
        Put(name, QString::fromStdString(get()));
    }
    void Picture(const char* name, const std::function<QImage()>& get,
                 const std::function<void(const QImage&)>&) override {
        Put(name, QString::fromLatin1(PngBytes(get()).toBase64()));
    }
    void Face(const char* name, const std::function<QFont()>& get,
              const std::function<void(const QFont&)>&) override {
        Put(name, get().toString());
    }
    void Object(const char* name, const std::function<void()>& body) override {
        QJsonObject child;
        stack_.push_back(&child);
        body();
        stack_.pop_back();
        Put(name, child);
    }

  private:
    void Put(const char* name, const QJsonValue& value) {
        stack_.back()->insert(QLatin1String(name), value);
    }

    std::vector<QJsonObject*> stack_;
};

QByteArray Checksum(const QJsonObject& rootWithoutChecksum) {
    const QByteArray compact = QJsonDocument(rootWithoutChecksum).toJson(QJsonDocument::Compact);
    return QCryptographicHash::hash(compact, QCryptographicHash::Sha256).toHex();
}

QJsonObject WriteProperties(const std::function<void(PropertyVisitor&)>& visit) {
    QJsonObject properties;
    JsonWriter writer(properties);
    visit(writer);
    return properties;
}

QByteArray WriteBar(TmxSideBar& bar) {
    QJsonArray headers;
    for (int i = 0; i < bar.HeaderCount(); ++i) {
        TmxHeader* h = bar.GetHeader(i);
        QJsonArray buttons;
        for (int j = 0; j < h->GetButtonCount(); ++j) {
            TmxButton* b = h->GetButton(j);
            buttons.append(QJsonObject{
                {kNameKey, QString::fromStdString(b->Name())},
                {kPropertiesKey, WriteProperties([b](PropertyVisitor& v) { VisitButton(v, b); })},
            });
        }
        headers.append(QJsonObject{
            {kNameKey, QString::fromStdString(h->Name())},
            {kPropertiesKey, WriteProperties([h](PropertyVisitor& v) { VisitHeader(v, h); })},
            {kButtonsKey, buttons},
        });
    }
    QJsonObject root{
        {kClassKey, kBarClass},
        {kNameKey, QLatin1String(kSavedBarRootName)},
        {kPropertiesKey, WriteProperties([&bar](PropertyVisitor& v) { VisitBar(v, &bar); })},
        {kHeadersKey, headers},
        {kAlignInfoKey, QLatin1String(kAlignNames.at(static_cast<std::size_t>(bar.Align())))},
        {kActiveIndexKey, bar.GetActiveIndex()},
    };
    root.insert(kChecksumKey, QString::fromLatin1(Checksum(root)));
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

// --- Checking --------------------------------------------------------------------------------

// One checked value of a saved bar.
using StreamValue = std::variant<bool, std::int64_t, std::string, QImage, QFont>;

// A saved bar after checking, before anything is applied: every value by its path
// ("Properties.Settings.Height", "Headers.0.Buttons.2.Properties.Caption"), the number of
// headers and of each header's buttons by the path of their list.
struct BarDescription {
    std::map<std::string, StreamValue> Values;
};

std::string Quoted(const QString& text) {
    return "\"" + text.toStdString() + "\"";
}

std::string TypeName(const QJsonValue& value) {
    switch (value.type()) {
        case QJsonValue::Null:
            return "null";
        case QJsonValue::Bool:
            return "true or false";
        case QJsonValue::Double:
            return "a number";
        case QJsonValue::String:
            return "a text";
        case QJsonValue::Array:
            return "a list";
        case QJsonValue::Object:
            return "a group";
        case QJsonValue::Undefined:
            break;
    }
    return "nothing";
}

// Every key of `object` must be one of `known`, and each of them must be there.
void ExpectKeys(const QJsonObject& object, const std::set<QString>& known,
                const std::string& path) {
    for (const QString& key : object.keys()) {
        if (!known.count(key)) {
            Fail("unknown property " + path + key.toStdString());
        }
    }
    for (const QString& key : known) {
        if (!object.contains(key)) {
            Fail(path + key.toStdString() + " is missing");
        }
    }
}

class JsonChecker final : public PropertyVisitor {
  public:
    JsonChecker(const QJsonObject& source, const std::string& path, BarDescription& out)
        : out_(out) {
        levels_.push_back({source, path, {}});
    }

    // Refuses a key that no property took.
    void Finish() const { CheckAllTaken(levels_.back()); }

    void Bool(const char* name, const std::function<bool()>&,
              const std::function<void(bool)>&) override {
        const QJsonValue value = Take(name);
        if (!value.isBool()) {
            Fail(PathOf(name) + " must be true or false, not " + TypeName(value));
        }
        Store(name, value.toBool());
    }
    void Int(const char* name, std::int64_t min, std::int64_t max,
             const std::function<std::int64_t()>&,
             const std::function<void(std::int64_t)>&) override {
        Store(name, Integer(name, Take(name), min, max));
    }
    void Enum(const char* name, const Names& names, const std::function<std::int64_t()>&,
              const std::function<void(std::int64_t)>&) override {
        const QJsonValue value = Take(name);
        if (!value.isString()) {
            Fail(PathOf(name) + " must be a name, not " + TypeName(value));
        }
        Store(name, Position(name, value.toString(), names));
    }
    void Set(const char* name, const Names& names, const std::function<std::int64_t()>&,
             const std::function<void(std::int64_t)>&) override {
        const QJsonValue value = Take(name);
        if (!value.isArray()) {
            Fail(PathOf(name) + " must be a list of names, not " + TypeName(value));
        }
        std::int64_t bits = 0;
        for (const QJsonValue& member : value.toArray()) {
            if (!member.isString()) {
                Fail(PathOf(name) + " must be a list of names");
            }
            bits |= std::int64_t{1} << Position(name, member.toString(), names);
        }
        Store(name, bits);
    }
    void String(const char* name, const std::function<std::string()>&,
                const std::function<void(const std::string&)>&) override {
        const QJsonValue value = Take(name);
        if (!value.isString()) {
            Fail(PathOf(name) + " must be a text, not " + TypeName(value));
        }
        Store(name, value.toString().toStdString());
    }
    void Picture(const char* name, const std::function<QImage()>&,
                 const std::function<void(const QImage&)>&) override {
        const QJsonValue value = Take(name);
        if (!value.isString()) {
            Fail(PathOf(name) + " must be a picture, not " + TypeName(value));
        }
        QImage image;
        const auto decoded = QByteArray::fromBase64Encoding(
            value.toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded || (!decoded.decoded.isEmpty() && !image.loadFromData(*decoded, "PNG"))) {
            Fail(PathOf(name) + " is not a PNG picture");
        }
        Store(name, image);
    }
    void Face(const char* name, const std::function<QFont()>&,
              const std::function<void(const QFont&)>&) override {
        const QJsonValue value = Take(name);
        QFont face;
        if (!value.isString() || !face.fromString(value.toString())) {
            Fail(PathOf(name) + " is not a font description");
        }
        Store(name, face);
    }
    void Object(const char* name, const std::function<void()>& body) override {
        const QJsonValue value = Take(name);
        if (!value.isObject()) {
            Fail(PathOf(name) + " must be a group of properties, not " + TypeName(value));
        }
        levels_.push_back({value.toObject(), PathOf(name) + ".", {}});
        body();
        CheckAllTaken(levels_.back());
        levels_.pop_back();
    }

  private:
    struct Level {
        QJsonObject Source;
        std::string Path;
        std::set<QString> Taken;
    };

    std::string PathOf(const char* name) const { return levels_.back().Path + name; }

    QJsonValue Take(const char* name) {
        Level& level = levels_.back();
        const QString key = QLatin1String(name);
        if (!level.Source.contains(key)) {
            Fail(PathOf(name) + " is missing");
        }
        level.Taken.insert(key);
        return level.Source.value(key);
    }

    static void CheckAllTaken(const Level& level) {
        for (const QString& key : level.Source.keys()) {
            if (!level.Taken.count(key)) {
                Fail("unknown property " + level.Path + key.toStdString());
            }
        }
    }

    std::int64_t Integer(const char* name, const QJsonValue& value, std::int64_t min,
                         std::int64_t max) const {
        if (!value.isDouble()) {
            Fail(PathOf(name) + " must be a whole number, not " + TypeName(value));
        }
        const double d = value.toDouble();
        if (d != std::floor(d) || d < static_cast<double>(min) || d > static_cast<double>(max)) {
            Fail(PathOf(name) + " = " + value.toVariant().toString().toStdString() +
                 " is not a whole number in " + std::to_string(min) + ".." + std::to_string(max));
        }
        return static_cast<std::int64_t>(d);
    }

    std::int64_t Position(const char* name, const QString& text, const Names& names) const {
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (text == QLatin1String(names[i])) {
                return static_cast<std::int64_t>(i);
            }
        }
        Fail(PathOf(name) + " has no value named " + Quoted(text));
    }

    void Store(const char* name, StreamValue value) {
        out_.Values[PathOf(name)] = std::move(value);
    }

    BarDescription& out_;
    std::vector<Level> levels_;
};

void CheckProperties(const QJsonValue& value, const std::string& path, BarDescription& out,
                     const std::function<void(PropertyVisitor&)>& visit) {
    if (!value.isObject()) {
        Fail(path + " must be a group of properties, not " + TypeName(value));
    }
    JsonChecker checker(value.toObject(), path + ".", out);
    visit(checker);
    checker.Finish();
}

QJsonArray ListAt(const QJsonObject& object, const QString& key, const std::string& path) {
    const QJsonValue value = object.value(key);
    if (!value.isArray()) {
        Fail(path + key.toStdString() + " must be a list, not " + TypeName(value));
    }
    return value.toArray();
}

std::string ItemName(const QJsonObject& item, const std::string& path) {
    const QJsonValue value = item.value(kNameKey);
    if (!value.isString()) {
        Fail(path + "Name must be a text, not " + TypeName(value));
    }
    return value.toString().toStdString();
}

// Refuses a list where two items have one name in any letter case, naming the first item that
// repeats an earlier one. Sorting keeps it at n log n comparisons for lists of any length.
void CheckUniqueNames(const std::vector<std::string>& names, const char* what,
                      const std::string& where) {
    std::vector<std::size_t> order(names.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&names](std::size_t a, std::size_t b) {
        return CompareNames(names[a], names[b]) < 0;
    });
    std::size_t repeat = names.size();
    for (std::size_t k = 1; k < order.size(); ++k) {
        if (CompareNames(names[order[k - 1]], names[order[k]]) == 0) {
            repeat = std::min(repeat, order[k]);
        }
    }
    if (repeat < names.size()) {
        Fail(where + " holds two " + what + " named " +
             Quoted(QString::fromStdString(names[repeat])));
    }
}

BarDescription ReadBar(const QByteArray& bytes, TmxSideBar& bar) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        Fail("the stream is not a saved bar or is cut short (" + error.errorString().toStdString() +
             " at byte " + std::to_string(error.offset) + ")");
    }
    if (!document.isObject()) {
        Fail("the stream is not a saved bar");
    }
    QJsonObject root = document.object();
    if (root.value(kClassKey) != kBarClass) {
        Fail("the stream does not hold a side bar");
    }
    if (root.value(kNameKey) != QLatin1String(kSavedBarRootName)) {
        Fail("the stream's root is " + Quoted(root.value(kNameKey).toString()) + ", not \"" +
             kSavedBarRootName + "\"");
    }
    const QJsonValue checksum = root.take(kChecksumKey);
    if (!checksum.isString() || checksum.toString().toLatin1() != Checksum(root)) {
        Fail("the stream is damaged (its checksum does not match)");
    }
    ExpectKeys(root,
               {kClassKey, kNameKey, kPropertiesKey, kHeadersKey, kAlignInfoKey, kActiveIndexKey},
               "");

    BarDescription out;
    CheckProperties(root.value(kPropertiesKey), "Properties", out,
                    [&bar](PropertyVisitor& v) { VisitBar(v, &bar); });

    // Headers and buttons are checked on stand-ins: the visitors only read their names.
    TmxHeader headerShape(static_cast<TmxHeaders*>(nullptr));
    TmxButton buttonShape;
    const QJsonArray headers = ListAt(root, kHeadersKey, "");
    std::vector<std::string> headerNames;
    for (qsizetype i = 0; i < headers.size(); ++i) {
        const std::string path = "Headers." + std::to_string(i) + ".";
        if (!headers[i].isObject()) {
            Fail(path.substr(0, path.size() - 1) + " must be a group, not " + TypeName(headers[i]));
        }
        const QJsonObject header = headers[i].toObject();
        ExpectKeys(header, {kNameKey, kPropertiesKey, kButtonsKey}, path);
        headerNames.push_back(ItemName(header, path));
        out.Values[path + "Name"] = headerNames.back();
        CheckProperties(header.value(kPropertiesKey), path + "Properties", out,
                        [&headerShape](PropertyVisitor& v) { VisitHeader(v, &headerShape); });
        const QJsonArray buttons = ListAt(header, kButtonsKey, path);
        std::vector<std::string> buttonNames;
        for (qsizetype j = 0; j < buttons.size(); ++j) {
            const std::string buttonPath = path + "Buttons." + std::to_string(j) + ".";
            if (!buttons[j].isObject()) {
                Fail(buttonPath.substr(0, buttonPath.size() - 1) + " must be a group, not " +
                     TypeName(buttons[j]));
            }
            const QJsonObject button = buttons[j].toObject();
            ExpectKeys(button, {kNameKey, kPropertiesKey}, buttonPath);
            buttonNames.push_back(ItemName(button, buttonPath));
            out.Values[buttonPath + "Name"] = buttonNames.back();
            CheckProperties(button.value(kPropertiesKey), buttonPath + "Properties", out,
                            [&buttonShape](PropertyVisitor& v) { VisitButton(v, &buttonShape); });
            // The two are kept in step by their setters; a stream where they disagree was
            // not written by a bar.
            const auto checked = std::get<bool>(out.Values.at(buttonPath + "Properties.Checked"));
            const auto state =
                std::get<std::int64_t>(out.Values.at(buttonPath + "Properties.CheckState"));
            if ((state == cbChecked && !checked) || (state == cbUnchecked && checked)) {
                Fail(buttonPath + "Properties.Checked does not match its CheckState");
            }
        }
        CheckUniqueNames(buttonNames, "buttons", "header " + std::to_string(i));
        out.Values[path + "Buttons"] = static_cast<std::int64_t>(buttons.size());
    }
    CheckUniqueNames(headerNames, "headers", "the bar");
    out.Values["Headers"] = static_cast<std::int64_t>(headers.size());

    const QJsonValue align = root.value(kAlignInfoKey);
    if (!align.isString()) {
        Fail("AlignInfo must be a text, not " + TypeName(align));
    }
    out.Values["AlignInfo"] = align.toString().toStdString();
    const QJsonValue active = root.value(kActiveIndexKey);
    const double index = active.toDouble(0.5);
    if (!active.isDouble() || index != std::floor(index) ||
        index < std::numeric_limits<int>::min() || index > std::numeric_limits<int>::max()) {
        Fail("ActiveIndex must be a whole number");
    }
    out.Values["ActiveIndex"] = static_cast<std::int64_t>(index);
    return out;
}

// --- Applying --------------------------------------------------------------------------------

// Writes checked values through the setters. Every path it asks for was stored by the checker
// walking the same visit function, so nothing here can fail.
class Applier final : public PropertyVisitor {
  public:
    Applier(const BarDescription& description, const std::string& path)
        : description_(description) {
        paths_.push_back(path);
    }

    void Bool(const char* name, const std::function<bool()>&,
              const std::function<void(bool)>& set) override {
        set(Value<bool>(name));
    }
    void Int(const char* name, std::int64_t, std::int64_t, const std::function<std::int64_t()>&,
             const std::function<void(std::int64_t)>& set) override {
        set(Value<std::int64_t>(name));
    }
    void Enum(const char* name, const Names&, const std::function<std::int64_t()>&,
              const std::function<void(std::int64_t)>& set) override {
        set(Value<std::int64_t>(name));
    }
    void Set(const char* name, const Names&, const std::function<std::int64_t()>&,
             const std::function<void(std::int64_t)>& set) override {
        set(Value<std::int64_t>(name));
    }
    void String(const char* name, const std::function<std::string()>&,
                const std::function<void(const std::string&)>& set) override {
        set(Value<std::string>(name));
    }
    void Picture(const char* name, const std::function<QImage()>&,
                 const std::function<void(const QImage&)>& set) override {
        set(Value<QImage>(name));
    }
    void Face(const char* name, const std::function<QFont()>&,
              const std::function<void(const QFont&)>& set) override {
        set(Value<QFont>(name));
    }
    void Object(const char* name, const std::function<void()>& body) override {
        paths_.push_back(paths_.back() + name + ".");
        body();
        paths_.pop_back();
    }

  private:
    template <typename T>
    const T& Value(const char* name) const {
        return std::get<T>(description_.Values.at(paths_.back() + name));
    }

    const BarDescription& description_;
    std::vector<std::string> paths_;
};

template <typename T>
const T& ValueAt(const BarDescription& d, const std::string& path) {
    return std::get<T>(d.Values.at(path));
}

// Builds the headers and buttons anew, each made with its stored name: the check has already
// found the names of every list unique, so none is compared again.
void ApplyBar(TmxSideBar& bar, const BarDescription& d) {
    bar.ClearHeaders();
    Applier properties(d, "Properties.");
    VisitBar(properties, &bar);
    const auto headers = ValueAt<std::int64_t>(d, "Headers");
    for (std::int64_t i = 0; i < headers; ++i) {
        const std::string path = "Headers." + std::to_string(i) + ".";
        TmxHeader* header = bar.Headers().AddNamed(ValueAt<std::string>(d, path + "Name"));
        const auto buttons = ValueAt<std::int64_t>(d, path + "Buttons");
        for (std::int64_t j = 0; j < buttons; ++j) {
            const std::string buttonPath = path + "Buttons." + std::to_string(j) + ".";
            TmxButton* button =
                header->Buttons()->AddNamed(ValueAt<std::string>(d, buttonPath + "Name"));
            Applier buttonProperties(d, buttonPath + "Properties.");
            VisitButton(buttonProperties, button);
        }
        Applier headerProperties(d, path + "Properties.");
        VisitHeader(headerProperties, header);
    }
    const QString align = QString::fromStdString(ValueAt<std::string>(d, "AlignInfo"));
    for (std::size_t i = 0; i < kAlignNames.size(); ++i) {
        // Exact names only; any other text leaves the alignment as it was.
        if (align == QLatin1String(kAlignNames[i])) {
            bar.SetAlign(static_cast<TAlign>(i));
        }
    }
}

// Closes an update bracket on every way out.
class UpdateBracket {
  public:
    explicit UpdateBracket(TmxSideBar& bar) : bar_(bar) { bar_.BeginUpdate(); }
    ~UpdateBracket() { bar_.EndUpdate(); }
    UpdateBracket(const UpdateBracket&) = delete;
    UpdateBracket& operator=(const UpdateBracket&) = delete;

  private:
    TmxSideBar& bar_;
};

// "Cannot read the side bar: why" becomes "Cannot read the side bar from "file": why".
std::string NamingFile(const std::string& message, const std::string& lead,
                       const QString& fileName) {
    std::string named = message;
    const std::string from = " from \"" + fileName.toStdString() + "\"";
    if (named.rfind(lead, 0) == 0) {
        named.insert(lead.size(), from);
    } else {
        named = lead + from + ": " + named;
    }
    return named;
}

}  // namespace

void TmxSideBar::SaveToStream(QIODevice& stream) {
    // The root always carries the saved-data name; the bar's own name is not touched.
    const QByteArray bytes = WriteBar(*this);
    if (!stream.isWritable()) {
        throw EWriteError("Cannot write the side bar: the stream is not open for writing");
    }
    if (stream.write(bytes) != bytes.size()) {
        throw EWriteError("Cannot write the side bar: " + stream.errorString().toStdString());
    }
}

void TmxSideBar::LoadFromStream(QIODevice& stream) {
    if (!stream.isReadable()) {
        Fail("the stream is not open for reading");
    }
    const BarDescription description = ReadBar(stream.readAll(), *this);
    UpdateBracket bracket(*this);
    ApplyBar(*this, description);
    // As a form's load completes: the stored header becomes active without events, and a
    // hidden one (which the setter would refuse) does not.
    storedActiveIndex_ = static_cast<int>(ValueAt<std::int64_t>(description, "ActiveIndex"));
    TmxHeader* active = GetHeader(storedActiveIndex_);
    activeHeader_ = active && active->Visible() ? active : nullptr;
    isLoaded_ = true;
}

void TmxSideBar::SaveToFile(const QString& fileName) {
    // Written beside the file and put in its place at the end, so a failed save leaves the old
    // file as it was.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        throw EFileStreamError("Cannot create file \"" + fileName.toStdString() + "\". " +
                               file.errorString().toStdString());
    }
    try {
        SaveToStream(file);
    } catch (const EWriteError& e) {
        throw EWriteError(NamingFile(e.what(), "Cannot write the side bar", fileName));
    }
    if (!file.commit()) {
        throw EWriteError(
            NamingFile(file.errorString().toStdString(), "Cannot write the side bar", fileName));
    }
}

void TmxSideBar::LoadFromFile(const QString& fileName) {
    // Other writers cannot be shut out on this platform; the whole file is read at once.
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        throw EFileStreamError("Cannot open file \"" + fileName.toStdString() + "\". " +
                               file.errorString().toStdString());
    }
    try {
        LoadFromStream(file);
    } catch (const EReadError& e) {
        throw EReadError(NamingFile(e.what(), "Cannot read the side bar", fileName));
    }
}

}  // namespace orv
