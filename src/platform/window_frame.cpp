#include "platform/window_frame.h"

#include "platform/x11_session.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <thread>
#include <vector>

namespace orv::wm {

namespace {

// How long a window manager that says it takes the request may take to answer it.
constexpr auto kAnswerWait = std::chrono::milliseconds(300);
constexpr auto kPollStep = std::chrono::milliseconds(5);

using x11::Atom;
using x11::Reply;

// The 32-bit values of a property, at most `max` of them.
std::vector<std::uint32_t> Cardinals(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property,
                                     xcb_atom_t type, std::uint32_t max) {
    Reply<xcb_get_property_reply_t> r(
        xcb_get_property_reply(c, xcb_get_property(c, 0, w, property, type, 0, max), nullptr),
        &std::free);
    if (!r || r->format != 32 || r->type != type)
        return {};
    const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(r.get()));
    const int count = xcb_get_property_value_length(r.get()) / 4;
    return std::vector<std::uint32_t>(data, data + std::max(count, 0));
}

std::optional<FrameExtents> Extents(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property) {
    std::vector<std::uint32_t> v = Cardinals(c, w, property, XCB_ATOM_CARDINAL, 4);
    // The window manager's numbers, left, right, top, bottom; a frame wider than any screen is
    // no answer.
    constexpr std::uint32_t kMostPlausible = 4096;
    if (v.size() != 4 || v[0] > kMostPlausible || v[1] > kMostPlausible || v[2] > kMostPlausible ||
        v[3] > kMostPlausible)
        return std::nullopt;
    return FrameExtents{int(v[0]), int(v[1]), int(v[2]), int(v[3])};
}

}  // namespace

std::optional<FrameExtents> AskFrameExtents(unsigned long window) {
    xcb_connection_t* c = x11::Connection();
    if (!c || window == 0)
        return std::nullopt;
    const auto w = static_cast<xcb_window_t>(window);
    Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr), &std::free);
    if (!geometry)
        return std::nullopt;
    const xcb_window_t root = geometry->root;
    const xcb_atom_t request = Atom(c, "_NET_REQUEST_FRAME_EXTENTS");
    const xcb_atom_t extents = Atom(c, "_NET_FRAME_EXTENTS");
    const xcb_atom_t supported = Atom(c, "_NET_SUPPORTED");
    if (request == XCB_ATOM_NONE || extents == XCB_ATOM_NONE || supported == XCB_ATOM_NONE)
        return std::nullopt;
    if (auto known = Extents(c, w, extents))
        return known;
    // Without the window manager's word that it answers, asking would only wait.
    std::vector<std::uint32_t> atoms = Cardinals(c, root, supported, XCB_ATOM_ATOM, 4096);
    if (std::find(atoms.begin(), atoms.end(), request) == atoms.end())
        return std::nullopt;

    xcb_client_message_event_t ev;
    std::memset(&ev, 0, sizeof ev);
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = w;
    ev.type = request;
    xcb_send_event(c, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&ev));
    xcb_flush(c);
    // The answer is a property on the window; Qt's own event reader sees the notice, so the
    // property itself is read until it is there.
    const auto deadline = std::chrono::steady_clock::now() + kAnswerWait;
    do {
        if (auto answer = Extents(c, w, extents))
            return answer;
        std::this_thread::sleep_for(kPollStep);
    } while (std::chrono::steady_clock::now() < deadline);
    return std::nullopt;
}

}  // namespace orv::wm
