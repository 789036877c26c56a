#include "app/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QString>
#include <QWidget>
#include <algorithm>
#include <cstdint>
#include <optional>

#include "controls/dialogs.h"
#include "platform/inifile.h"
#include "platform/program.h"
#include "platform/window_frame.h"

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

int Widest(const QList<QRect>& screens) {
    int w = 0;
    for (const QRect& s : screens)
        w = std::max(w, s.width());
    return w;
}

int Tallest(const QList<QRect>& screens) {
    int h = 0;
    for (const QRect& s : screens)
        h = std::max(h, s.height());
    return h;
}

// The frame the window manager puts around `form`: as it stands when the window shows; before
// that, as the window manager says it will be (X11), else none.
QMargins FrameOf(QWidget* form) {
    if (form->isVisible()) {
        const QRect outer = form->frameGeometry(), inner = form->geometry();
        return QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                        outer.right() - inner.right(), outer.bottom() - inner.bottom());
    }
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return {};
    std::optional<wm::FrameExtents> e = wm::AskFrameExtents(form->winId());
    if (!e)
        return {};
    // The window manager counts device pixels; the window's geometry is in logical ones.
    const qreal ratio = form->devicePixelRatioF();
    auto logical = [ratio](int v) { return qRound(v / ratio); };
    return QMargins(logical(e->left), logical(e->top), logical(e->right), logical(e->bottom));
}

}  // namespace

std::string PlacementSection(const std::string& formName) {
    return formName + " Position";
}

Placement ReadPlacement(const IniFile& ini, const std::string& section, const QRect& designed,
                        const QList<QRect>& screens, const QMargins& frame) {
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
    // The window as the screen shows it: the client area with the window manager's frame
    // around it. Computed wide, so that any stored numbers are safe.
    const std::int64_t frameWidth = std::int64_t(frame.left()) + frame.right();
    const std::int64_t frameHeight = std::int64_t(frame.top()) + frame.bottom();
    std::int64_t outerLeft = std::int64_t(left) - frame.left();
    std::int64_t outerTop = std::int64_t(top) - frame.top();
    std::int64_t outerWidth = width + frameWidth;
    std::int64_t outerHeight = height + frameHeight;
    // No window is larger than the largest screen.
    outerWidth = std::min<std::int64_t>(outerWidth, Widest(screens));
    outerHeight = std::min<std::int64_t>(outerHeight, Tallest(screens));
    // The screen holding most of the window, if any holds enough of it.
    const QRect* home = nullptr;
    std::int64_t best = 0;
    for (const QRect& s : screens) {
        std::int64_t on = Visible(outerLeft, outerTop, outerWidth, outerHeight, s);
        if (on > best) {
            best = on;
            home = &s;
        }
    }
    const bool keepPosition = asDesigned && home;
    const QRect& screen = keepPosition ? *home : screens.front();
    outerWidth = std::min<std::int64_t>(outerWidth, screen.width());
    outerHeight = std::min<std::int64_t>(outerHeight, screen.height());
    QRect outer(0, 0, int(outerWidth), int(outerHeight));
    if (keepPosition) {
        // The whole frame on the screen, title bar included: moved in by what stands out.
        outer.moveTo(
            int(std::clamp<std::int64_t>(outerLeft, screen.x(),
                                         std::int64_t(screen.x()) + screen.width() - outerWidth)),
            int(std::clamp<std::int64_t>(
                outerTop, screen.y(), std::int64_t(screen.y()) + screen.height() - outerHeight)));
    } else {
        outer.moveCenter(screen.center());
    }
    p.normal = QRect(outer.x() + frame.left(), outer.y() + frame.top(),
                     std::max<int>(1, int(outerWidth - frameWidth)),
                     std::max<int>(1, int(outerHeight - frameHeight)));
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
                                form_->geometry(), screens, FrameOf(form_));
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
