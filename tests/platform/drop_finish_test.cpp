#include "platform/drop_finish.h"

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <vector>

namespace orv::sys {
namespace {

constexpr std::uint32_t kFinished = 301;
constexpr std::uint32_t kMove = 302;
constexpr std::uint32_t kCopy = 303;

xcb_client_message_event_t Message(std::uint32_t type, std::uint32_t flags, std::uint32_t action) {
    xcb_client_message_event_t m{};
    // Sent by another client, as a drop target's finish always is.
    m.response_type = XCB_CLIENT_MESSAGE | 0x80;
    m.format = 32;
    m.type = type;
    m.data.data32[0] = 0x1234;  // the target's window
    m.data.data32[1] = flags;
    m.data.data32[2] = action;
    return m;
}

TEST(DropFinish, TheTargetsFinishSaysWhetherItTookTheDropAndHow) {
    struct Case {
        const char* name;
        xcb_client_message_event_t event;
        DropFinish finish;
    };
    xcb_client_message_event_t bytes8 = Message(kFinished, 1, kMove);
    bytes8.format = 8;
    xcb_client_message_event_t fromServer = Message(kFinished, 1, kMove);
    fromServer.response_type = XCB_CLIENT_MESSAGE;
    xcb_client_message_event_t key = Message(kFinished, 1, kMove);
    key.response_type = XCB_KEY_PRESS;
    const std::vector<Case> cases{
        {"taken as a move", Message(kFinished, 1, kMove), DropFinish::Moved},
        {"taken as a copy", Message(kFinished, 1, kCopy), DropFinish::Copied},
        {"refused, though it names a move", Message(kFinished, 0, kMove), DropFinish::Refused},
        // An older target sends no flags and no action.
        {"an older protocol", Message(kFinished, 0, 0), DropFinish::Refused},
        {"another message", Message(kFinished + 1, 1, kMove), DropFinish::Unknown},
        {"not in 32-bit words", bytes8, DropFinish::Unknown},
        {"not sent by a client", fromServer, DropFinish::Moved},
        {"another event", key, DropFinish::Unknown},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ReadDropFinish(&c.event, kFinished, kMove), c.finish);
    }
    const xcb_client_message_event_t moved = Message(kFinished, 1, kMove);
    EXPECT_EQ(ReadDropFinish(&moved, 0, kMove), DropFinish::Unknown);
    EXPECT_EQ(ReadDropFinish(nullptr, kFinished, kMove), DropFinish::Unknown);
}

}  // namespace
}  // namespace orv::sys
