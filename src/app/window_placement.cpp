#include "app/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QString>
#include <QWidget>
#include <algorithm>
#include <cstdint>

#include "controls/dialogs.h"
#include "platform/inifile.h"
#include "platform/program.h"

namespace orv {

namespace {

// This much of the window (or all of a smaller one) on a screen counts as on it.
constexpr std::int64_t kVisible = 32;

// How much of the window at (`left`, `top`) is on `screen`: the visible area, or 0 when less than
// a corner of kVisible pixels square (or the whole of a smaller window) shows. Computed wide, so
// that any stored numbers are safe.
std::int64_t Visible(std::int64_t left, std::int64_t top, std::int64_t width, std::int64_t height,
                     const QRect& screen) {
    std::int64_t w = std::min<std::int64_t>(left + width, screen.x() + screen.width()) -
                     std::max<std::int64_t>(left, screen.x());
    std::int64_t h = std::min<std::int64_t>(top + height, screen.y() + screen.height()) -
                     std::max<std::int64_t>(top, screen.y());
    if (w < std::min(kVisible, width) || h < std::min(kVisible, height))
        return 0;
    return w * h;
}

QRect Centred(QSize size, const QRect& screen) {
    QRect r(QPoint(0, 0), size);
    r.moveCenter(screen.center());
    return r;
}

QSize Limited(QSize size, const QRect& screen) {
    return {std::min(size.width(), screen.width()), std::min(size.height(), screen.height())};
}

}  // namespace

std::string PlacementSection(const std::string& formName) {
    return formName + " Position";
}

Placement ReadPlacement(const IniFile& ini, const std::string& section, const QRect& designed,
                        const QList<QRect>& screens) {
    Placement p;
    const bool asDesigned = ini.ReadString(section, "isdesigned", "n") == "y";
    p.maximised = ini.ReadInteger(section, "WindowState", 0) ==
                  static_cast<int>(StoredWindowState::Maximised);
    const int left = ini.ReadInteger(section, "Left", designed.x());
    const int top = ini.ReadInteger(section, "Top", designed.y());
    int width = ini.ReadInteger(section, "Width", designed.width());
    int height = ini.ReadInteger(section, "Height", designed.height());
    if (width <= 0)
        width = designed.width();
    if (height <= 0)
        height = designed.height();
    if (screens.isEmpty()) {
        p.normal = QRect(left, top, width, height);
        return p;
    }
    // No window is larger than the largest screen.
    int widest = 0, tallest = 0;
    for (const QRect& s : screens) {
        widest = std::max(widest, s.width());
        tallest = std::max(tallest, s.height());
    }
    width = std::min(width, widest);
    height = std::min(height, tallest);
    // The screen holding most of the window, if any holds enough of it.
    const QRect* home = nullptr;
    std::int64_t best = 0;
    for (const QRect& s : screens) {
        std::int64_t on = Visible(left, top, width, height, s);
        if (on > best) {
            best = on;
            home = &s;
        }
    }
    if (asDesigned && home) {
        QSize size = Limited(QSize(width, height), *home);
        p.normal = QRect(QPoint(left, top), size);
        return p;
    }
    p.normal = Centred(Limited(QSize(width, height), screens.front()), screens.front());
    return p;
}

void WritePlacement(IniFile& ini, const std::string& section, StoredWindowState state,
                    const QRect& normal) {
    ini.WriteInteger(section, "WindowState", static_cast<int>(state));
    ini.WriteString(section, "isdesigned", "y");
    ini.WriteInteger(section, "Left", normal.x());
    ini.WriteInteger(section, "Top", normal.y());
    ini.WriteInteger(section, "Width", normal.width());
    ini.WriteInteger(section, "Height", normal.height());
}

TPosition::TPosition(QWidget* form, SettingsFile file) : form_(form), file_(std::move(file)) {}

void TPosition::LoadPosition() {
    QList<QRect> screens;
    if (QScreen* primary = QGuiApplication::primaryScreen())
        screens << primary->availableGeometry();
    for (QScreen* s : QGuiApplication::screens())
        if (s != QGuiApplication::primaryScreen())
            screens << s->availableGeometry();
    IniFile ini(file_.path, file_.readFrom);
    Placement p = ReadPlacement(ini, PlacementSection(form_->objectName().toStdString()),
                                form_->geometry(), screens);
    form_->setGeometry(p.normal);
    if (p.maximised)
        form_->setWindowState(form_->windowState() | Qt::WindowMaximized);
}

void TPosition::OwnerDestroy() {
    if (saved_)
        return;
    saved_ = true;
    if (!SavePosition())
        ui::CurrentDialogs().ErrorBox(form_,
                                      QString("Unable to write to %1").arg(file_.path.c_str()));
}

bool TPosition::SavePosition() {
    StoredWindowState state = form_->isMinimized()   ? StoredWindowState::Minimised
                              : form_->isMaximized() ? StoredWindowState::Maximised
                                                     : StoredWindowState::Normal;
    IniFile ini(file_.path, file_.readFrom);
    // A window never shown has no normal bounds of its own yet.
    QRect normal = form_->normalGeometry();
    if (!normal.isValid())
        normal = form_->geometry();
    WritePlacement(ini, PlacementSection(form_->objectName().toStdString()), state, normal);
    // Outside the program folder the file's folder may not be there yet.
    MakeFolders(file_.path.substr(0, file_.path.rfind('/') + 1));
    return ini.UpdateFile();
}

}  // namespace orv
