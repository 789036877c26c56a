// Where a window opens and where it was left: its state and normal bounds in a section of the
// placement file (the program's name with ".ini"), read before the window shows and written
// when it goes.
#pragma once

#include <QList>
#include <QMargins>
#include <QRect>
#include <string>

#include "platform/program.h"

class QWidget;

namespace orv {

class IniFile;

// A window's state as the placement file numbers it.
enum class StoredWindowState { Normal = 0, Minimised = 1, Maximised = 2 };

// How a window is to open.
struct Placement {
    QRect normal;  // the client area of the normal window, in screen coordinates
    bool maximised = false;
};

// The section that keeps the placement of the window named `formName`.
std::string PlacementSection(const std::string& formName);

// Reads a window's placement from `ini`. `designed` is the window as it was built; `screens`
// are the screens' available areas, the primary one first (none: nothing is checked); `frame` is
// what the window manager adds around the client area (title bar and borders).
// - "isdesigned" exactly "y" keeps the stored position; otherwise the window is centred.
// - "WindowState" 2 opens it maximised, over the stored normal bounds.
// - A missing or non-numeric bound keeps the designed one; a size of 0 or less is the designed
//   size.
// - The whole window, frame included, lands on one screen: a window larger than the screen is
//   cut to it, one partly off it is moved onto it, and one on no screen (less than a small
//   corner of it visible) is centred.
Placement ReadPlacement(const IniFile& ini, const std::string& section, const QRect& designed,
                        const QList<QRect>& screens, const QMargins& frame = {});

// Writes the state, "isdesigned", and the normal bounds (kept while maximised or minimised, so
// they come back when the window is restored).
void WritePlacement(IniFile& ini, const std::string& section, StoredWindowState state,
                    const QRect& normal);

// Keeps the placement of one top-level window in `file`.
class TPosition {
  public:
    TPosition(QWidget* form, SettingsFile file);

    const std::string& FileName() const { return file_.path; }

    // Applies the stored placement; called once the window is built, before it shows. On X11 the
    // window manager is asked first which frame it will draw around the window.
    void LoadPosition();
    // Writes the placement, once: a second call does nothing. A file that cannot be written is
    // reported in the standard error box; the caller's shut-down goes on either way.
    void OwnerDestroy();

  private:
    bool SavePosition();

    QWidget* form_;
    SettingsFile file_;
    bool saved_ = false;
};

}  // namespace orv
