// A bar for header and button tests: it answers from plain fields and records what its headers
// and buttons ask of it.
#pragma once

#include <QFont>
#include <QFontDatabase>
#include <QString>
#include <vector>

#include "navbar/header.h"

namespace orv::test {

// The tests' own font: one file of a fixed package, 11 pixels, no antialiasing, so text lands on
// the same pixels on every machine.
inline QFont BarTestFont() {
    static const QString family = [] {
        const int id = QFontDatabase::addApplicationFont(
            QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"));
        return QFontDatabase::applicationFontFamilies(id).value(0);
    }();
    QFont font(family);
    font.setPixelSize(11);
    font.setStyleStrategy(QFont::NoAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

// A bar that records what its headers and buttons ask of it.
class FakeBar : public TmxBarOwner {
  public:
    FakeBar() : headers(this) {}
    ~FakeBar() override { dying = true; }

    TmxBarSettings& BarSettings() override { return settings; }
    bool CommonStyle() const override { return commonStyle; }
    TmxViewStyle ViewStyle() const override { return viewStyle; }
    TmxExplorerMethod ExplorerMethod() const override { return explorerMethod; }
    TmxBarOptions Options() const override { return options; }
    bool Flat() const override { return flat; }
    TmxHeaderImages& HeaderImages() override { return headerImages; }
    TColor AlertColor() const override { return alertColor; }
    bool AutoLayout() const override { return autoLayout; }
    bool IsLoaded() const override { return loaded; }
    bool IsEnabled() const override { return enabled; }
    bool EachHeaderSelection() const override { return eachHeaderSelection; }
    int HeaderCount() const override { return headers.Count(); }
    TmxHeader* Header(int index) const override { return headers.Items(index); }
    TmxHeader* ActiveHeader() const override { return active; }
    void DropActiveHeader() override { active = nullptr; }
    TmxButton* AlertButton() const override { return alert; }
    void StopAlert() override {
        ++stopAlerts;
        alert = nullptr;
    }
    void BeginUpdate() override { ++updates; }
    void EndUpdate() override { --updates; }
    void InvalidateAll() override { ++repaints; }
    void HeaderDeleted(TmxHeader* header) override {
        deletedHeaders.push_back(header);
        if (active == header) {
            active = nullptr;
        }
    }
    void ButtonDeleted(TmxButton* button) override {
        deletedButtons.push_back(button);
        if (hot == button) {
            hot = nullptr;
        }
    }

    TmxBarSettings settings;
    bool commonStyle = true;
    TmxViewStyle viewStyle = vsExplorerBar;
    TmxExplorerMethod explorerMethod = emCloseUp;
    TmxBarOptions options = 0;
    bool flat = true;
    TmxHeaderImages headerImages{nullptr};
    TColor alertColor = clRed;
    bool autoLayout = true;
    bool loaded = true;
    bool enabled = true;
    bool eachHeaderSelection = false;
    TmxHeader* active = nullptr;
    TmxButton* alert = nullptr;
    TmxButton* hot = nullptr;
    int stopAlerts = 0;
    int updates = 0;
    int repaints = 0;
    bool dying = false;
    std::vector<TmxHeader*> deletedHeaders;
    std::vector<TmxButton*> deletedButtons;
    TmxHeaders headers;  // last, so it goes first
};

}  // namespace orv::test
