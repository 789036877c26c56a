// The pictures of the side bar's tool buttons, drawn in code. Every picture is laid out on a
// 16-unit grid and rendered afresh for each size, its strokes placed on that size's pixels, so it
// is sharp at 16 pixels and at 32 pixels (double-scale screens) alike.
#pragma once

#include <QImage>

namespace orv {

class TImageList;

// The tools in the order of the side bar's buttons.
enum class TToolIcon {
    IpDomainConverter,
    BatchPing,
    IpCountryConverter,
    Traceroute,
    Whois,
    WebsiteScanner,
    ConnectionMonitor,
    LocalInformation
};
inline constexpr int kToolIconCount = 8;

// The tool's picture, size x size pixels, transparent around the shape. 32 pixels and more get
// details that would only blur at 16.
QImage ToolIcon(TToolIcon tool, int size);

// Appends the eight pictures in tool order at the list's size, each with its double-size
// version; answers the index of the first.
int AddToolIcons(TImageList& list);

}  // namespace orv
