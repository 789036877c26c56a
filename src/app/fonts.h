// The window fonts. The classic faces ("MS Sans Serif" for the window, "Arial" for the pages)
// are not on Linux; Liberation Sans has Arial's metrics, so texts fit where they were laid out.
#pragma once

#include <QFont>

namespace orv {

inline constexpr const char* kWindowFontFamily = "Liberation Sans";
inline constexpr const char* kPageFontFamily = "Liberation Sans";

inline QFont WindowFont() {
    QFont f(kWindowFontFamily);
    f.setPointSize(8);
    f.setStyleHint(QFont::SansSerif);
    return f;
}

inline QFont PageFont(int points = 9, bool bold = false) {
    QFont f(kPageFontFamily);
    f.setPointSize(points);
    f.setBold(bold);
    f.setStyleHint(QFont::SansSerif);
    return f;
}

}  // namespace orv
