// What the platform layer's X11 pieces share: the program's own connection to the X server
// (the one Qt opened) and atoms by name. Included only by platform sources.
#pragma once

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <string_view>

namespace orv::x11 {

// A reply of the X server, freed as xcb asks.
template <class T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

// Qt's connection when the program runs on X11; null on any other platform (offscreen,
// Wayland) or before the application object exists.
xcb_connection_t* Connection();

// The atom of that name, or XCB_ATOM_NONE when the server does not answer.
xcb_atom_t Atom(xcb_connection_t* c, std::string_view name);

}  // namespace orv::x11
