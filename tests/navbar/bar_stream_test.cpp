// Saving and loading the whole side bar: every stored value comes back as it was saved (read
// through the tests' own table of getters), the alignment and active header follow their
// rules, and a stream that is cut short, damaged, of another root or holds a value the bar
// cannot take is refused without changing the bar.
#include "navbar/bar_stream.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "navbar/caption_editor.h"
#include "navbar/navigation_bar.h"

namespace orv {
namespace {

// --- Reading a bar as text, value by value ---------------------------------------------------

template <typename T>
std::string Text(const T& value) {
    if constexpr (std::is_same_v<T, bool>) {
        return value ? "true" : "false";
    } else if constexpr (std::is_same_v<T, std::string>) {
        return "\"" + value + "\"";
    } else if constexpr (std::is_same_v<T, QFont>) {
        return value.toString().toStdString();
    } else if constexpr (std::is_same_v<T, QImage>) {
        if (value.isNull()) {
            return "no picture";
        }
        const QImage pixels = value.convertToFormat(QImage::Format_ARGB32);
        const QByteArray bits(reinterpret_cast<const char*>(pixels.constBits()),
                              pixels.sizeInBytes());
        return std::to_string(value.width()) + "x" + std::to_string(value.height()) + " " +
               QCryptographicHash::hash(bits, QCryptographicHash::Md5).toHex().toStdString();
    } else {
        return std::to_string(static_cast<std::int64_t>(value));
    }
}

template <typename Obj>
using Access = std::function<Obj&(TmxSideBar&)>;

// One stored value of a bar, by a path that says where it lives.
struct Row {
    std::string path;
    std::function<std::string(TmxSideBar&)> read;
};
using Table = std::vector<Row>;

template <typename Obj, typename Get>
void Add(Table& t, const std::string& path, Access<Obj> obj, Get get) {
    t.push_back({path, [obj, get](TmxSideBar& bar) {
                     using T = std::decay_t<std::invoke_result_t<Get, Obj&>>;
                     return Text<T>(std::invoke(get, obj(bar)));
                 }});
}

template <typename Outer, typename Inner>
Access<Inner> Sub(Access<Outer> outer, Inner& (Outer::*member)()) {
    return [outer, member](TmxSideBar& bar) -> Inner& { return (outer(bar).*member)(); };
}

void AddFont(Table& t, const std::string& p, Access<TFont> f) {
    Add(t, p + ".Face", f, &TFont::Face);
    Add(t, p + ".Color", f, &TFont::Color);
}

void AddPen(Table& t, const std::string& p, Access<TPen> pen) {
    Add(t, p + ".Color", pen, &TPen::Color);
    Add(t, p + ".Style", pen, &TPen::Style);
    Add(t, p + ".Width", pen, &TPen::Width);
}

void AddBackground(Table& t, const std::string& p, Access<TmxCustomBackground> b) {
    using B = TmxCustomBackground;
    Add(t, p + ".Bitmap", b, &B::Bitmap);
    Add(t, p + ".AlphaBlend", b, &B::AlphaBlend);
    Add(t, p + ".BitmapCopy", b, &B::BitmapCopy);
    Add(t, p + ".Style", b, &B::Style);
    Add(t, p + ".Color", b, &B::Color);
    Add(t, p + ".Grayscale", b, &B::Grayscale);
    Access<TmxGradient> g = [b](TmxSideBar& bar) -> TmxGradient& { return b(bar).Gradient(); };
    Add(t, p + ".Gradient.Direction", g, &TmxGradient::Direction);
    Add(t, p + ".Gradient.BeginColor", g, &TmxGradient::BeginColor);
    Add(t, p + ".Gradient.EndColor", g, &TmxGradient::EndColor);
    Add(t, p + ".Gradient.DrawStyle", g, &TmxGradient::DrawStyle);
}

void AddSettings(Table& t, const std::string& p, Access<TmxBarSettings> s) {
    using S = TmxBarSettings;
    Add(t, p + ".Alignment", s, &S::Alignment);
    Add(t, p + ".Distance", s, &S::Distance);
    Add(t, p + ".PicLabDistance", s, &S::PicLabDistance);
    Add(t, p + ".LargeWidth", s, &S::LargeWidth);
    Add(t, p + ".LargeHeight", s, &S::LargeHeight);
    Add(t, p + ".SmallHeight", s, &S::SmallHeight);
    Add(t, p + ".ButtonStyle", s, &S::ButtonStyle);
    Add(t, p + ".ButtonView", s, &S::ButtonView);
    Add(t, p + ".CaptionStyle", s, &S::CaptionStyle);
    Add(t, p + ".Color", s, &S::Color);
    Add(t, p + ".ExplorerAddOn", s, &S::ExplorerAddOn);
    Add(t, p + ".GlyphTop", s, &S::GlyphTop);
    Add(t, p + ".Height", s, &S::Height);
    Add(t, p + ".KeySupport", s, &S::KeySupport);
    Add(t, p + ".Layout", s, &S::Layout);
    AddFont(t, p + ".Font", Sub(s, &S::Font));
    AddFont(t, p + ".HighlightFont", Sub(s, &S::HighlightFont));
    AddFont(t, p + ".ButtonFont", Sub(s, &S::ButtonFont));
    AddFont(t, p + ".ButtonHighlightFont", Sub(s, &S::ButtonHighlightFont));
    AddPen(t, p + ".CaptionPen", Sub(s, &S::CaptionPen));
    AddPen(t, p + ".HeaderPen", Sub(s, &S::HeaderPen));
    const std::pair<const char*, TmxButtonBackground& (S::*)()> backgrounds[] = {
        {".ButtonUp", &S::ButtonUp},
        {".ButtonDown", &S::ButtonDown},
        {".ButtonFocused", &S::ButtonFocused},
        {".ButtonDisabled", &S::ButtonDisabled},
    };
    for (const auto& [name, member] : backgrounds) {
        auto m = member;
        AddBackground(t, p + name,
                      [s, m](TmxSideBar& bar) -> TmxCustomBackground& { return (s(bar).*m)(); });
    }
    Access<TmxStatusButton> sb = Sub(s, &S::StatusButton);
    Add(t, p + ".StatusButton.ArrowColor", sb, &TmxStatusButton::ArrowColor);
    Add(t, p + ".StatusButton.Background", sb, &TmxStatusButton::Background);
    Add(t, p + ".StatusButton.BorderColor", sb, &TmxStatusButton::BorderColor);
    Add(t, p + ".StatusButton.Transparent", sb, &TmxStatusButton::Transparent);
    Access<TmxXPColors> xp = Sub(s, &S::XPColors);
    Add(t, p + ".XPColors.BorderColor", xp, &TmxXPColors::BorderColor);
    Add(t, p + ".XPColors.Background", xp, &TmxXPColors::Background);
    Add(t, p + ".XPColors.PressedBackground", xp, &TmxXPColors::PressedBackground);
    Add(t, p + ".XPColors.ShadowColor", xp, &TmxXPColors::ShadowColor);
    Add(t, p + ".XPColors.UseShadow", xp, &TmxXPColors::UseShadow);
}

void AddButton(Table& t, const std::string& p, Access<TmxButton> b) {
    using B = TmxButton;
    Add(t, p + ".Name", b, &B::Name);
    Add(t, p + ".ButtonIndex", b, &B::ButtonIndex);
    Add(t, p + ".AutoSize", b, &B::AutoSize);
    Add(t, p + ".Alignment", b, &B::Alignment);
    Add(t, p + ".AllowGrayed", b, &B::AllowGrayed);
    Add(t, p + ".ButtonKind", b, &B::ButtonKind);
    Add(t, p + ".ButtonStyle", b, &B::ButtonStyle);
    Add(t, p + ".ButtonView", b, &B::ButtonView);
    Add(t, p + ".BiDiMode", b, &B::BiDiMode);
    Add(t, p + ".ParentBiDiMode", b, &B::ParentBiDiMode);
    Add(t, p + ".Checked", b, &B::Checked);
    Add(t, p + ".CheckState", b, &B::CheckState);
    Add(t, p + ".Caption", b, &B::Caption);
    Add(t, p + ".Color", b, &B::Color);
    Add(t, p + ".Cursor", b, &B::Cursor);
    Add(t, p + ".Enabled", b, &B::Enabled);
    Add(t, p + ".HelpContext", b, &B::HelpContext);
    Add(t, p + ".Height", b, &B::Height);
    Add(t, p + ".Hint", b, &B::Hint);
    Add(t, p + ".ImageIndex", b, &B::ImageIndex);
    Add(t, p + ".Margin", b, &B::Margin);
    Add(t, p + ".ShowAccelChar", b, &B::ShowAccelChar);
    Add(t, p + ".Tag", b, &B::Tag);
    Add(t, p + ".Transparent", b, &B::Transparent);
    Add(t, p + ".Options", b, &B::Options);
    Add(t, p + ".UserString", b, &B::UserString);
    Add(t, p + ".Visible", b, &B::Visible);
    Add(t, p + ".Width", b, &B::Width);
    Add(t, p + ".WordWrap", b, &B::WordWrap);
    AddFont(t, p + ".Font", Sub(b, &B::Font));
    AddFont(t, p + ".HighlightFont", Sub(b, &B::HighlightFont));
}

void AddHeader(Table& t, const std::string& p, Access<TmxHeader> h) {
    using H = TmxHeader;
    Add(t, p + ".Name", h, &H::Name);
    Add(t, p + ".HeaderIndex", h, &H::HeaderIndex);
    Add(t, p + ".AllowSelected", h, &H::AllowSelected);
    Add(t, p + ".BiDiMode", h, &H::BiDiMode);
    Add(t, p + ".Caption", h, &H::Caption);
    Add(t, p + ".Enabled", h, &H::Enabled);
    Add(t, p + ".FirstButtonTop", h, &H::FirstButtonTop);
    Add(t, p + ".HeaderState", h, &H::HeaderState);
    Add(t, p + ".ImageIndex", h, &H::ImageIndex);
    Add(t, p + ".Margin", h, &H::Margin);
    Add(t, p + ".Options", h, &H::Options);
    Add(t, p + ".Tag", h, &H::Tag);
    Add(t, p + ".Transparent", h, &H::Transparent);
    Add(t, p + ".SelectedIndex", h, &H::SelectedIndex);
    Add(t, p + ".Spacing", h, &H::Spacing);
    Add(t, p + ".Visible", h, &H::Visible);
    Add(t, p + ".ButtonCount", h, &H::GetButtonCount);
    AddBackground(t, p + ".Background",
                  [h](TmxSideBar& bar) -> TmxCustomBackground& { return h(bar).Background(); });
    Access<TmxGlyph> g = Sub(h, &H::Glyph);
    Add(t, p + ".Glyph.Position", g, &TmxGlyph::Position);
    Add(t, p + ".Glyph.Bitmap", g, &TmxGlyph::Bitmap);
    Add(t, p + ".Glyph.Transparent", g, &TmxGlyph::Transparent);
    Add(t, p + ".Glyph.Visible", g, &TmxGlyph::Visible);
    AddSettings(t, p + ".Settings", Sub(h, &H::Settings));
}

// Every stored value of a bar shaped like `shape` (its headers and their buttons).
Table BarTable(const TmxSideBar& shape) {
    using S = TmxSideBar;
    Table t;
    Access<S> bar = [](S& b) -> S& { return b; };
    Add(t, "AlertColor", bar, &S::AlertColor);
    Add(t, "AutoButtonScrollDelay", bar, &S::AutoButtonScrollDelay);
    Add(t, "AutoScrollDelay", bar, &S::AutoScrollDelay);
    Add(t, "AutoChangeDelay", bar, &S::AutoChangeDelay);
    Add(t, "AlertInterval", bar, &S::AlertInterval);
    Add(t, "BevelInner", bar, &S::BevelInner);
    Add(t, "BevelOuter", bar, &S::BevelOuter);
    Add(t, "BevelWidth", bar, &S::BevelWidth);
    Add(t, "BorderStyle", bar, &S::BorderStyle);
    Add(t, "BorderWidth", bar, &S::BorderWidth);
    Add(t, "CommonStyle", bar, &S::CommonStyle);
    Add(t, "Color", bar, &S::Color);
    Add(t, "DropMarkColor", bar, &S::DropMarkColor);
    Add(t, "EachHeaderSelection", bar, &S::EachHeaderSelection);
    Add(t, "ExplorerMethod", bar, &S::ExplorerMethod);
    Add(t, "Flat", bar, &S::Flat);
    Add(t, "HeaderScrollAcceleration", bar, &S::HeaderScrollAcceleration);
    Add(t, "ScrollChange", bar, &S::ScrollChange);
    Add(t, "HeaderScrollType", bar, &S::HeaderScrollType);
    Add(t, "HeaderScrollValue", bar, &S::HeaderScrollValue);
    Add(t, "ScrollBoxSize", bar, &S::ScrollBoxSize);
    Add(t, "ScrollView", bar, &S::ScrollView);
    Add(t, "Options", bar, &S::Options);
    Add(t, "ViewStyle", bar, &S::ViewStyle);
    Add(t, "Align", bar, &S::Align);
    Add(t, "ActiveIndex", bar, &S::GetActiveIndex);
    Add(t, "HeaderCount", bar, &S::HeaderCount);
    t.push_back({"Enabled", [](S& b) { return Text(b.isEnabled()); }});
    t.push_back({"Width", [](S& b) { return Text(b.width()); }});
    t.push_back({"Height", [](S& b) { return Text(b.height()); }});
    AddBackground(t, "Background", [](S& b) -> TmxCustomBackground& { return b.Background(); });
    Access<TmxBorder> border = Sub(bar, &S::Border);
    Add(t, "Border.Top", border, &TmxBorder::Top);
    Add(t, "Border.Bottom", border, &TmxBorder::Bottom);
    Add(t, "Border.Left", border, &TmxBorder::Left);
    Add(t, "Border.Right", border, &TmxBorder::Right);
    Add(t, "Border.Separator", border, &TmxBorder::Separator);
    Access<TmxCloseButton> close = Sub(bar, &S::CloseButton);
    Add(t, "CloseButton.Caption", close, &TmxCloseButton::Caption);
    Add(t, "CloseButton.Height", close, &TmxCloseButton::Height);
    Add(t, "CloseButton.ImageIndex", close, &TmxCloseButton::ImageIndex);
    Add(t, "CloseButton.Margin", close, &TmxCloseButton::Margin);
    Add(t, "CloseButton.Transparent", close, &TmxCloseButton::Transparent);
    Add(t, "CloseButton.Visible", close, &TmxCloseButton::Visible);
    AddFont(t, "CloseButton.Font", Sub(close, &TmxCloseButton::Font));
    using E = TmxInplaceEditor;
    Access<E> editor = [](S& b) -> E& { return b.InplaceEditor(); };
    Add(t, "InplaceEditor.Alignment", editor, &E::Alignment);
    Add(t, "InplaceEditor.BorderColor", editor, &E::BorderColor);
    Add(t, "InplaceEditor.Flat", editor, &E::Flat);
    Add(t, "InplaceEditor.ShowBorder", editor, &E::ShowBorder);
    Add(t, "InplaceEditor.WordWrap", editor, &E::WordWrap);
    AddFont(t, "InplaceEditor.Font", Sub(editor, static_cast<TFont& (E::*)()>(&E::Font)));
    AddSettings(t, "Settings", Sub(bar, &S::Settings));
    for (int i = 0; i < shape.HeaderCount(); ++i) {
        Access<TmxHeader> h = [i](S& b) -> TmxHeader& { return *b.GetHeader(i); };
        const std::string hp = "Headers." + std::to_string(i);
        AddHeader(t, hp, h);
        for (int j = 0; j < shape.GetHeader(i)->GetButtonCount(); ++j) {
            AddButton(t, hp + ".Buttons." + std::to_string(j),
                      [i, j](S& b) -> TmxButton& { return *b.GetHeader(i)->GetButton(j); });
        }
    }
    return t;
}

std::map<std::string, std::string> Values(TmxSideBar& bar) {
    std::map<std::string, std::string> values;
    for (const Row& row : BarTable(bar)) {
        values[row.path] = row.read(bar);
    }
    return values;
}

// Everything a load could change: the stored values, the header and button objects
// themselves, the bar's name and its update state.
struct Snapshot {
    std::map<std::string, std::string> values;
    std::vector<const void*> objects;
    QString name;
    int storedActiveIndex;
    int updateCount;
    friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

Snapshot Take(TmxSideBar& bar) {
    Snapshot s{Values(bar), {}, bar.objectName(), bar.StoredActiveIndex(), bar.UpdateCount()};
    for (int i = 0; i < bar.HeaderCount(); ++i) {
        s.objects.push_back(bar.GetHeader(i));
        for (int j = 0; j < bar.GetHeader(i)->GetButtonCount(); ++j) {
            s.objects.push_back(bar.GetHeader(i)->GetButton(j));
        }
    }
    return s;
}

// --- Bars to save ----------------------------------------------------------------------------

QImage Picture(int seed, QImage::Format format = QImage::Format_ARGB32) {
    QImage image(5 + seed, 3 + seed % 4, format);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            image.setPixel(x, y, qRgba(17 * x + seed, 29 * y, 7 * seed, 40 + 30 * ((x + y) % 6)));
        }
    }
    return image;
}

QFont Face(int seed) {
    QFont face(QStringLiteral("DejaVu Serif"));
    face.setPointSize(9 + seed);
    face.setBold(seed % 2 == 0);
    face.setItalic(true);
    face.setUnderline(seed % 3 == 0);
    return face;
}

void Decorate(TFont& f, int seed) {
    f.SetFace(Face(seed));
    f.SetColor(0x102030u + static_cast<TColor>(seed));
}

void Decorate(TPen& p, int seed) {
    p.SetColor(0x00A0B0u + static_cast<TColor>(seed));
    p.SetStyle(seed % 2 ? TPenStyle::Dot : TPenStyle::Clear);
    p.SetWidth(2 + seed);
}

void Decorate(TmxCustomBackground& b, int seed) {
    b.SetBitmap(Picture(seed, seed % 2 ? QImage::Format_RGB32 : QImage::Format_ARGB32));
    b.SetAlphaBlend(static_cast<std::uint8_t>(seed));
    b.SetBitmapCopy(bcMergePaint);
    b.SetStyle(btTileBitmap);
    b.SetColor(0x010203u * static_cast<TColor>(seed));
    b.SetGrayscale(true);
    b.Gradient().SetDirection(gdInverse);
    b.Gradient().SetBeginColor(0x0A0B0Cu + static_cast<TColor>(seed));
    b.Gradient().SetEndColor(0x0D0E0Fu + static_cast<TColor>(seed));
    b.Gradient().SetDrawStyle(gtPyramid);
}

void Decorate(TmxBarSettings& s, int seed) {
    s.SetAlignment(taRightJustify);
    s.SetDistance(5);
    s.SetPicLabDistance(9);
    s.SetLargeWidth(61);
    s.SetLargeHeight(62);
    s.SetSmallHeight(23);
    s.SetButtonStyle(bsSmall);
    s.SetButtonView(bvWindowsXP);
    s.SetCaptionStyle(csCustomDraw);
    s.SetColor(0x445566u + static_cast<TColor>(seed));
    s.SetExplorerAddOn(0);
    s.SetGlyphTop(11);
    s.SetHeight(26);
    s.SetKeySupport(false);
    s.SetLayout(glGlyphCenter);
    Decorate(s.Font(), seed + 1);
    Decorate(s.HighlightFont(), seed + 2);
    Decorate(s.ButtonFont(), seed + 3);
    Decorate(s.ButtonHighlightFont(), seed + 4);
    Decorate(s.CaptionPen(), seed + 1);
    Decorate(s.HeaderPen(), seed + 2);
    Decorate(s.ButtonUp(), seed + 1);
    Decorate(s.ButtonDown(), seed + 2);
    Decorate(s.ButtonFocused(), seed + 3);
    Decorate(s.ButtonDisabled(), seed + 4);
    s.StatusButton().SetArrowColor(0x111111);
    s.StatusButton().SetBackground(0x222222);
    s.StatusButton().SetBorderColor(0x333333);
    s.StatusButton().SetTransparent(true);
    s.XPColors().SetBorderColor(0x444444);
    s.XPColors().SetBackground(0x555555);
    s.XPColors().SetPressedBackground(0x666666);
    s.XPColors().SetShadowColor(0x777777);
    s.XPColors().SetUseShadow(false);
}

void Decorate(TmxButton& b, int seed) {
    b.SetAutoSize(false);
    b.SetAlignment(taRightJustify);
    b.SetAllowGrayed(true);
    b.SetButtonKind(bkCheckBox);
    b.SetButtonStyle(bsSmall);
    b.SetButtonView(bvToolBox);
    b.SetBiDiMode(bdRightToLeftNoAlign);  // also stops following the parent
    b.SetChecked(true);
    b.SetCheckState(cbGrayed);  // keeps Checked
    b.SetCaption("Ping && trace " + std::to_string(seed));
    b.SetColor(0x0A0000u + static_cast<TColor>(seed));
    b.SetCursor(-21);
    b.SetEnabled(false);
    Decorate(b.Font(), seed + 5);
    Decorate(b.HighlightFont(), seed + 6);
    b.SetHelpContext(99);
    b.SetHeight(33);
    b.SetHint("Sends an echo request");
    b.SetImageIndex(2);
    b.SetMargin(7);
    b.SetShowAccelChar(false);
    b.SetTag(-5);
    b.SetTransparent(false);
    b.SetOptions(ButtonOptions({boCustomFont, boCustomView, boReadOnlyCaption}));
    b.SetUserString("user text");
    b.SetVisible(false);
    b.SetWidth(44);
    b.SetWordWrap(true);
}

void Decorate(TmxHeader& h, int seed) {
    h.SetAllowSelected(true);
    h.SetSelectedIndex(h.GetButtonCount() - 1);
    Decorate(h.Background(), seed + 7);
    h.Glyph().SetPosition(gpCenter);
    h.Glyph().SetBitmap(Picture(seed + 2));
    h.Glyph().SetTransparent(false);
    h.Glyph().SetVisible(false);
    h.SetBiDiMode(bdRightToLeft);
    h.SetCaption("Outils réseau " + std::to_string(seed));
    h.SetEnabled(false);
    h.SetFirstButtonTop(12);
    h.SetHeaderState(hsClosed);
    Decorate(h.Settings(), seed + 9);
    h.SetImageIndex(3);
    h.SetMargin(5);
    h.SetOptions(HeaderOptions({hoNoCaption, hoRoundedHeader}));
    h.SetTag(-7);
    h.SetTransparent(true);
    h.SetSpacing(4);
}

// Header and button names chosen so that adding them in order meets the default names.
const std::vector<std::string> kHeaderNames{"mxHeader2", "Tools", "mxHeader1"};
const std::vector<std::vector<std::string>> kButtonNames{
    {"mxButton3", "Ping", "mxButton1"}, {"Ping"}, {"mxButton2"}};
// The shown header becomes active; the others are hidden.
constexpr int kActive = 1;

// A bar with every stored value other than a new bar's.
void Decorate(TmxSideBar& bar) {
    // boChangeToDisabled lets the disabled header become active.
    bar.SetOptions(BarOptions(
        {boActivateToolBoxScroller, boChangeToDisabled, boExplorerBorder, hoShowFocusRect}));
    bar.SetAlertColor(0x123456);
    bar.SetAutoButtonScrollDelay(601);
    bar.SetAutoScrollDelay(4000000000u);
    bar.SetAutoChangeDelay(101);
    bar.SetAlertInterval(777);
    Decorate(bar.Background(), 1);
    bar.SetBevelInner(bvSpace);
    bar.SetBevelOuter(bvRaised);
    bar.SetBevelWidth(3);
    bar.Border().SetTop(7);
    bar.Border().SetBottom(8);
    bar.Border().SetLeft(9);
    bar.Border().SetRight(10);
    bar.Border().SetSeparator(0);
    bar.SetBorderStyle(bsSingle);
    bar.SetCommonStyle(false);
    bar.CloseButton().SetCaption("Close me");
    Decorate(bar.CloseButton().Font(), 2);
    bar.CloseButton().SetHeight(31);
    bar.CloseButton().SetImageIndex(4);
    bar.CloseButton().SetMargin(6);
    bar.CloseButton().SetTransparent(true);
    bar.CloseButton().SetVisible(true);
    bar.InplaceEditor().SetAlignment(taCenter);
    bar.InplaceEditor().SetBorderColor(0x123456);
    bar.InplaceEditor().SetFlat(false);
    bar.InplaceEditor().SetShowBorder(false);
    bar.InplaceEditor().SetWordWrap(false);
    Decorate(bar.InplaceEditor().Font(), 5);
    bar.SetDropMarkColor(0x00FF00);
    bar.SetEachHeaderSelection(true);
    bar.SetExplorerMethod(emStandard);
    bar.SetFlat(false);
    bar.SetHeaderScrollAcceleration(9);
    bar.SetScrollChange(65535);
    bar.SetHeaderScrollType(stLinear);
    bar.SetHeaderScrollValue(255);
    bar.SetScrollBoxSize(17);
    Decorate(bar.Settings(), 3);
    bar.SetScrollView(ssToolBox);
    bar.SetViewStyle(vsExplorerBar);
    bar.SetBorderWidth(2);
    bar.SetColor(clWhite);
    bar.resize(333, 444);
    bar.SetAlign(alRight);
    for (std::size_t i = 0; i < kHeaderNames.size(); ++i) {
        TmxHeader* h = bar.Headers().Add();
        h->SetName(kHeaderNames[i]);
        for (std::size_t j = 0; j < kButtonNames[i].size(); ++j) {
            TmxButton* b = h->AddButton();
            b->SetName(kButtonNames[i][j]);
            Decorate(*b, static_cast<int>(10 * i + j));
        }
        Decorate(*h, static_cast<int>(i));
    }
    bar.SetActiveHeader(bar.GetHeader(kActive));
    for (int i = 0; i < bar.HeaderCount(); ++i) {
        bar.GetHeader(i)->SetVisible(i == kActive);
    }
    bar.setEnabled(false);
}

// A new bar with the same number of headers and buttons as a decorated one.
void Shape(TmxSideBar& bar) {
    for (const auto& buttons : kButtonNames) {
        TmxHeader* h = bar.Headers().Add();
        for (std::size_t j = 0; j < buttons.size(); ++j) {
            h->AddButton();
        }
    }
}

QByteArray Save(TmxSideBar& bar) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    bar.SaveToStream(buffer);
    return buffer.data();
}

void Load(TmxSideBar& bar, QByteArray bytes) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    bar.LoadFromStream(buffer);
}

QJsonObject Document(const QByteArray& bytes) {
    return QJsonDocument::fromJson(bytes).object();
}

// The document with a checksum over its new content, as the bar writes it.
QByteArray Seal(QJsonObject root) {
    root.remove("Checksum");
    const QByteArray compact = QJsonDocument(root).toJson(QJsonDocument::Compact);
    root.insert(
        "Checksum",
        QString::fromLatin1(QCryptographicHash::hash(compact, QCryptographicHash::Sha256).toHex()));
    return QJsonDocument(root).toJson();
}

// Edits one value of a document by its path ("Properties.Settings.Height", "Headers.0.Name").
// An empty value removes it.
void Edit(QJsonObject& root, const QStringList& path, const QJsonValue& value) {
    if (path.size() == 1) {
        if (value.isUndefined()) {
            root.remove(path[0]);
        } else {
            root.insert(path[0], value);
        }
        return;
    }
    QJsonValue child = root.value(path[0]);
    if (child.isArray()) {
        QJsonArray list = child.toArray();
        const int index = path[1].toInt();
        QJsonObject item = list[index].toObject();
        Edit(item, path.mid(2), value);
        list[index] = item;
        root.insert(path[0], list);
    } else {
        QJsonObject object = child.toObject();
        Edit(object, path.mid(1), value);
        root.insert(path[0], object);
    }
}

QByteArray Edited(const QByteArray& saved, const char* path, const QJsonValue& value) {
    QJsonObject root = Document(saved);
    Edit(root, QString::fromLatin1(path).split('.'), value);
    return Seal(root);
}

// --- Tests -----------------------------------------------------------------------------------

TEST(BarStreamTest, EveryStoredValueComesBackAsSaved) {
    TmxSideBar saved;
    Decorate(saved);
    TmxSideBar fresh;
    Shape(fresh);
    // Paths a decorated bar keeps at a new bar's value, and why.
    const std::set<std::string> keptInitial{"HeaderCount",        // the same shape on both sides
                                            "Headers.1.Visible",  // the active header is shown
                                            "Headers.0.ButtonCount",
                                            "Headers.1.ButtonCount",
                                            "Headers.2.ButtonCount",
                                            "Headers.0.HeaderIndex",
                                            "Headers.1.HeaderIndex",
                                            "Headers.2.HeaderIndex",
                                            "Headers.0.Buttons.0.ButtonIndex",
                                            "Headers.0.Buttons.1.ButtonIndex",
                                            "Headers.0.Buttons.2.ButtonIndex",
                                            "Headers.1.Buttons.0.ButtonIndex",
                                            "Headers.2.Buttons.0.ButtonIndex"};
    const auto decorated = Values(saved);
    const auto initial = Values(fresh);
    ASSERT_EQ(decorated.size(), initial.size());
    for (const auto& [path, value] : decorated) {
        if (!keptInitial.count(path)) {
            EXPECT_NE(value, initial.at(path)) << path << " is not set away from a new bar's";
        }
    }

    TmxSideBar loaded;
    Load(loaded, Save(saved));
    const auto back = Values(loaded);
    for (const auto& [path, value] : decorated) {
        EXPECT_EQ(back.at(path), value) << path;
    }
}

TEST(BarStreamTest, NewBarValuesReplaceEveryStoredOne) {
    // The other way round: a new bar's values, default or not, are written and win over
    // whatever the loading bar held.
    TmxSideBar fresh;
    Shape(fresh);
    TmxSideBar loaded;
    Decorate(loaded);
    Load(loaded, Save(fresh));
    const auto expected = Values(fresh);
    const auto back = Values(loaded);
    for (const auto& [path, value] : expected) {
        EXPECT_EQ(back.at(path), value) << path;
    }
}

TEST(BarStreamTest, OneHeadersSelectionSurvivesTheHeadersWithout) {
    // Without a selection per header, selecting anywhere clears the others: loading a later
    // header without a selection must not clear an earlier one's.
    TmxSideBar saved;
    for (int i = 0; i < 3; ++i) {
        TmxHeader* h = saved.Headers().Add();
        h->AddButton();
        h->AddButton();
        h->SetAllowSelected(true);
    }
    saved.GetHeader(1)->SetSelectedIndex(1);
    TmxSideBar loaded;
    Load(loaded, Save(saved));
    EXPECT_EQ(loaded.GetHeader(0)->SelectedIndex(), -1);
    EXPECT_EQ(loaded.GetHeader(1)->SelectedIndex(), 1);
    EXPECT_EQ(loaded.GetHeader(2)->SelectedIndex(), -1);
}

TEST(BarStreamTest, RootIsTheSavedDataNameAndBarsKeepTheirOwnNames) {
    TmxSideBar saved;
    saved.setObjectName("mxSideBar1");
    saved.SetPreSet(psOffice);
    Shape(saved);
    saved.SetActiveHeader(saved.GetHeader(0));
    const QByteArray bytes = Save(saved);
    EXPECT_EQ(saved.objectName(), "mxSideBar1");
    const QJsonObject root = Document(bytes);
    EXPECT_EQ(root.value("Name").toString(), "MXCOMPONENTSAVEDATA");
    EXPECT_EQ(root.value("AlignInfo").toString(), "alLeft");
    EXPECT_EQ(root.value("ActiveIndex").toInt(), 0);
    // Neither the look's name nor the header object is stored; the index stands for it.
    EXPECT_FALSE(root.value("Properties").toObject().contains("PreSet"));
    EXPECT_FALSE(root.value("Properties").toObject().contains("ActiveHeader"));

    TmxSideBar other;
    other.setObjectName("Other");
    Load(other, bytes);
    EXPECT_EQ(other.objectName(), "Other");
    EXPECT_EQ(other.PreSet(), psListBar);
    EXPECT_EQ(other.BevelInner(), bvNone);  // the office look's value, stored as a value
    EXPECT_TRUE(other.IsLoaded());
}

TEST(BarStreamTest, AlignInfoTakesOnlyTheExactNames) {
    struct Case {
        const char* text;
        TAlign before;
        TAlign after;
    };
    const Case cases[] = {
        {"alNone", alTop, alNone},     {"alTop", alLeft, alTop},
        {"alBottom", alTop, alBottom}, {"alLeft", alTop, alLeft},
        {"alRight", alTop, alRight},   {"alClient", alTop, alClient},
        {"alCustom", alTop, alCustom},  // what a custom-aligned bar writes
        {"alright", alTop, alTop},     {"ALRIGHT", alBottom, alBottom},
        {"Right", alTop, alTop},       {" alRight", alTop, alTop},
        {"", alClient, alClient},
    };
    TmxSideBar saved;
    const QByteArray bytes = Save(saved);
    for (const Case& c : cases) {
        TmxSideBar bar;
        bar.SetAlign(c.before);
        Load(bar, Edited(bytes, "AlignInfo", QString::fromLatin1(c.text)));
        EXPECT_EQ(bar.Align(), c.after) << '"' << c.text << '"';
    }
}

TEST(BarStreamTest, ActiveIndexMakesThatHeaderActiveWithoutEvents) {
    struct Case {
        int index;
        int active;  // -1: none
    };
    const Case cases[] = {{-1, -1},  {0, 0},   {2, 2}, {3, -1},
                          {100, -1}, {-7, -1}, {1, -1}};  // header 1 is hidden
    TmxSideBar saved;
    for (int i = 0; i < 3; ++i) {
        saved.Headers().Add();
    }
    saved.GetHeader(1)->SetVisible(false);
    const QByteArray bytes = Save(saved);
    for (const Case& c : cases) {
        TmxSideBar bar;
        Shape(bar);
        bar.SetActiveHeader(bar.GetHeader(0));
        int events = 0;
        bar.OnChange = [&](TmxSideBar*, int, int) { ++events; };
        bar.OnCanChange = [&](TmxSideBar*, TmxHeader*, bool&) { ++events; };
        Load(bar, Edited(bytes, "ActiveIndex", c.index));
        EXPECT_EQ(bar.GetActiveIndex(), c.active) << c.index;
        EXPECT_EQ(bar.StoredActiveIndex(), c.index);
        EXPECT_EQ(events, 0) << c.index;
    }
}

TEST(BarStreamTest, CutOrDamagedStreamChangesNothing) {
    TmxSideBar saved;
    Decorate(saved);
    const QByteArray bytes = Save(saved);
    TmxSideBar bar;
    bar.setObjectName("mxSideBar1");
    Shape(bar);
    bar.SetActiveHeader(bar.GetHeader(2));
    const Snapshot before = Take(bar);

    // Cuts up to the closing brace (what follows it is a line break), damage anywhere.
    const qsizetype end = bytes.lastIndexOf('}');
    const qsizetype step = bytes.size() / 150 + 1;
    std::vector<qsizetype> points;
    for (qsizetype at = 0; at < bytes.size(); at += step) {
        points.push_back(at);
    }
    points.push_back(end);
    points.push_back(bytes.size() - 1);
    for (qsizetype at : points) {
        if (at <= end) {
            EXPECT_THROW(Load(bar, bytes.left(at)), EReadError) << "cut at " << at;
        }
        QByteArray damaged = bytes;
        damaged[at] = damaged[at] == '7' ? '8' : '7';
        EXPECT_THROW(Load(bar, damaged), EReadError) << "damaged at " << at;
        ASSERT_TRUE(Take(bar) == before) << "after byte " << at;
    }
    EXPECT_FALSE(bar.Updating());
}

TEST(BarStreamTest, ForeignOrFaultyStreamIsRefusedWithItsReason) {
    TmxSideBar saved;
    Decorate(saved);
    const QByteArray bytes = Save(saved);
    struct Case {
        QByteArray stream;
        std::string reason;  // part of the message
    };
    const Case cases[] = {
        {"", "not a saved bar"},
        {"TPF0\x0bTmxSideBar", "not a saved bar"},
        {"[1, 2]", "not a saved bar"},
        {"{}", "does not hold a side bar"},
        {Edited(bytes, "Class", "TmxHeader"), "does not hold a side bar"},
        {Edited(bytes, "Name", "Form1"), "\"Form1\", not \"MXCOMPONENTSAVEDATA\""},
        {[&] {
             QJsonObject root = Document(bytes);
             root.insert("ActiveIndex", 0);  // edited without a new checksum
             return QJsonDocument(root).toJson();
         }(),
         "damaged"},
        {Edited(bytes, "Properties.BevelInner", "bvDeep"),
         "Properties.BevelInner has no value named \"bvDeep\""},
        {Edited(bytes, "Properties.Options", QJsonArray{"boAutoScroll", "boNoSuch"}),
         "Properties.Options has no value named \"boNoSuch\""},
        {Edited(bytes, "Properties.ScrollChange", 65536), "Properties.ScrollChange = 65536"},
        {Edited(bytes, "Properties.AlertColor", 4294967296.0), "Properties.AlertColor"},
        {Edited(bytes, "Properties.Width", -1), "Properties.Width = -1"},
        // Wider or taller than any window can be.
        {Edited(bytes, "Properties.Width", 32768), "Properties.Width = 32768"},
        {Edited(bytes, "Properties.Height", 20000000), "Properties.Height = 20000000"},
        {Edited(bytes, "Headers.1.Properties.FirstButtonTop", 1000000000),
         "Headers.1.Properties.FirstButtonTop = 1000000000"},
        {Edited(bytes, "Headers.0.Properties.Margin", 65536),
         "Headers.0.Properties.Margin = 65536"},
        {Edited(bytes, "Headers.0.Properties.Spacing", 2147483647),
         "Headers.0.Properties.Spacing = 2147483647"},
        {Edited(bytes, "Properties.CloseButton.Margin", -1), "Properties.CloseButton.Margin = -1"},
        {Edited(bytes, "Properties.BevelWidth", 1.5), "Properties.BevelWidth = 1.5"},
        {Edited(bytes, "Properties.Flat", "yes"), "Properties.Flat must be true or false"},
        {Edited(bytes, "Properties.Settings.Height", QJsonValue::Undefined),
         "Properties.Settings.Height is missing"},
        {Edited(bytes, "Properties.Settings.Shade", 3),
         "unknown property Properties.Settings.Shade"},
        {Edited(bytes, "Properties.Settings.Font.Face", ""), "Properties.Settings.Font.Face"},
        {Edited(bytes, "Properties.Background.Bitmap",
                QString::fromLatin1(QByteArray("GIF89a not a png").toBase64())),
         "Properties.Background.Bitmap is not a PNG picture"},
        {Edited(bytes, "Properties.Background.Bitmap", "%%%"), "Background.Bitmap"},
        {Edited(bytes, "Headers", QJsonObject{}), "Headers must be a list"},
        {Edited(bytes, "Headers.2.Name", "TOOLS"), "two headers named \"TOOLS\""},
        {Edited(bytes, "Headers.0.Buttons.2.Name", "ping"), "two buttons named \"ping\""},
        {Edited(bytes, "Headers.0.Buttons.1.Properties.CheckState", "cbUnchecked"),
         "Headers.0.Buttons.1.Properties.Checked does not match"},
        {Edited(bytes, "Headers.1.Properties.SelectedIndex", -2),
         "Headers.1.Properties.SelectedIndex"},
        {Edited(bytes, "AlignInfo", 3), "AlignInfo must be a text"},
        {Edited(bytes, "ActiveIndex", "1"), "ActiveIndex must be a whole number"},
    };
    TmxSideBar bar;
    Shape(bar);
    const Snapshot before = Take(bar);
    for (const Case& c : cases) {
        try {
            Load(bar, c.stream);
            ADD_FAILURE() << "loaded; expected: " << c.reason;
        } catch (const EReadError& e) {
            EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos)
                << e.what() << "\nexpected: " << c.reason;
        }
        ASSERT_TRUE(Take(bar) == before) << c.reason;
    }
}

// The stream's check finds the names of a list unique once; building the buttons compares
// none again, so loading grows with the buttons, not with their pairs.
TEST(BarStreamTest, LoadingComparesNamesFarFewerTimesThanPairsOfButtons) {
    constexpr int kButtons = 400;
    TmxSideBar saved;
    TmxHeader* h = saved.Headers().Add();
    for (int i = 0; i < kButtons; ++i) {
        h->Buttons()->AddNamed("Item " + std::to_string(i));
    }
    const QByteArray bytes = Save(saved);
    TmxSideBar bar;
    const std::uint64_t before = NameComparisons();
    Load(bar, bytes);
    const std::uint64_t used = NameComparisons() - before;
    ASSERT_EQ(bar.GetHeader(0)->GetButtonCount(), kButtons);
    EXPECT_EQ(bar.GetHeader(0)->GetButton(kButtons - 1)->Name(), "Item 399");
    // A sort's share (n log n), far below the 80,000 of every pair.
    EXPECT_LT(used, std::uint64_t{kButtons} * 20);
}

TEST(BarStreamTest, FilesRoundTripAndFileErrorsNameTheFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TmxSideBar saved;
    Decorate(saved);
    const QString good = dir.filePath("bar.sidebar");
    saved.SaveToFile(good);
    TmxSideBar loaded;
    loaded.LoadFromFile(good);
    EXPECT_EQ(Values(loaded), Values(saved));

    const Snapshot before = Take(loaded);
    const QString noDir = dir.filePath("missing/bar.sidebar");
    try {
        loaded.SaveToFile(noDir);
        ADD_FAILURE() << "saved into a missing folder";
    } catch (const EFileStreamError& e) {
        EXPECT_NE(std::string(e.what()).find(noDir.toStdString()), std::string::npos) << e.what();
    }
    EXPECT_FALSE(QFile::exists(noDir));

    const QString absent = dir.filePath("absent.sidebar");
    try {
        loaded.LoadFromFile(absent);
        ADD_FAILURE() << "loaded a missing file";
    } catch (const EFileStreamError& e) {
        EXPECT_NE(std::string(e.what()).find(absent.toStdString()), std::string::npos) << e.what();
    }

    const QString cut = dir.filePath("cut.sidebar");
    {
        QFile file(cut);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        saved.SaveToStream(buffer);
        file.write(bytes.left(bytes.size() / 2));
    }
    try {
        loaded.LoadFromFile(cut);
        ADD_FAILURE() << "loaded half a file";
    } catch (const EReadError& e) {
        EXPECT_NE(std::string(e.what()).find(cut.toStdString()), std::string::npos) << e.what();
    }
    EXPECT_TRUE(Take(loaded) == before);

    QBuffer closed;
    EXPECT_THROW(saved.SaveToStream(closed), EWriteError);
}

}  // namespace
}  // namespace orv
