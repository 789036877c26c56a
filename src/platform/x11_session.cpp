#include "platform/x11_session.h"

#include <QtGui/qguiapplication_platform.h>
#include <QGuiApplication>

namespace orv::x11 {

xcb_connection_t* Connection() {
    if (qGuiApp == nullptr || QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->connection() : nullptr;
}

xcb_atom_t Atom(xcb_connection_t* c, std::string_view name) {
    Reply<xcb_intern_atom_reply_t> r(
        xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.data()),
            nullptr),
        &std::free);
    return r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
}

}  // namespace orv::x11
