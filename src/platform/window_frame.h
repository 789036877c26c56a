// The frame the window manager puts around a top-level window (title bar and borders), known
// before the window first shows, so that a window can be placed with its whole frame on the
// screen.
#pragma once

#include <optional>

namespace orv::wm {

struct FrameExtents {
    int left = 0;
    int right = 0;
    int top = 0;
    int bottom = 0;
};

// Asks the window manager which frame it will give the X11 top-level window `window` (created,
// not yet mapped). nullopt when the program runs on no X11 display, the window manager does not
// take the request, or it gives no answer within a fraction of a second.
std::optional<FrameExtents> AskFrameExtents(unsigned long window);

}  // namespace orv::wm
