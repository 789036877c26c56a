#include "platform/drop_finish.h"

#include "platform/x11_session.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace orv::sys {

DropFinish ReadDropFinish(const void* xcbEvent, std::uint32_t finishedAtom,
                          std::uint32_t moveAtom) {
    const auto* event = static_cast<const xcb_generic_event_t*>(xcbEvent);
    // The high bit of the type marks an event another client sent, as a drop target does.
    if (event == nullptr || finishedAtom == 0 ||
        (event->response_type & 0x7f) != XCB_CLIENT_MESSAGE) {
        return DropFinish::Unknown;
    }
    const auto* message = static_cast<const xcb_client_message_event_t*>(xcbEvent);
    if (message->type != finishedAtom || message->format != 32) {
        return DropFinish::Unknown;
    }
    // Word 1, bit 0: the target took the drop; word 2: the action it performed. A target of
    // an older protocol version sends neither, and counts as having refused.
    if ((message->data.data32[1] & 1) == 0) {
        return DropFinish::Refused;
    }
    return message->data.data32[2] == moveAtom ? DropFinish::Moved : DropFinish::Copied;
}

class DropFinishWatch::Filter : public QAbstractNativeEventFilter {
  public:
    Filter(std::uint32_t finishedAtom, std::uint32_t moveAtom)
        : finishedAtom_(finishedAtom), moveAtom_(moveAtom) {}

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (finish == DropFinish::Unknown && eventType == "xcb_generic_event_t") {
            finish = ReadDropFinish(message, finishedAtom_, moveAtom_);
            if (finish != DropFinish::Unknown && loop != nullptr) {
                loop->quit();
            }
        }
        // Qt's drag ends on the same message.
        return false;
    }

    DropFinish finish = DropFinish::Unknown;
    QEventLoop* loop = nullptr;

  private:
    std::uint32_t finishedAtom_;
    std::uint32_t moveAtom_;
};

DropFinishWatch::DropFinishWatch() {
    xcb_connection_t* connection = x11::Connection();
    if (connection == nullptr) {
        return;
    }
    const std::uint32_t finished = x11::Atom(connection, "XdndFinished");
    const std::uint32_t move = x11::Atom(connection, "XdndActionMove");
    if (finished == 0 || move == 0) {
        return;
    }
    filter_ = std::make_unique<Filter>(finished, move);
    QCoreApplication::instance()->installNativeEventFilter(filter_.get());
}

DropFinishWatch::~DropFinishWatch() {
    if (filter_ && QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeNativeEventFilter(filter_.get());
    }
}

bool DropFinishWatch::Listening() const {
    return filter_ != nullptr;
}

DropFinish DropFinishWatch::Wait(int timeoutMs) {
    if (!filter_) {
        return DropFinish::Unknown;
    }
    if (filter_->finish == DropFinish::Unknown) {
        // The window keeps painting; the user's input waits the moment it takes.
        QEventLoop loop;
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        filter_->loop = &loop;
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        filter_->loop = nullptr;
    }
    return filter_->finish;
}

}  // namespace orv::sys
