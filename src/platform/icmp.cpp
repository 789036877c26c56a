#include "platform/icmp.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orv::icmp {

struct IcmpHandleData {
    SocketKind kind;
};

namespace {
bool CanOpen(int type) {
    int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}
}  // namespace

IcmpHandle IcmpCreateFile() {
    if (CanOpen(SOCK_DGRAM)) return new IcmpHandleData{SocketKind::Datagram};
    if (CanOpen(SOCK_RAW)) return new IcmpHandleData{SocketKind::Raw};
    return kInvalidHandle;
}

bool IcmpCloseHandle(IcmpHandle h) {
    delete h;
    return h != kInvalidHandle;
}

SocketKind KindOf(IcmpHandle h) { return h ? h->kind : SocketKind::None; }

}  // namespace orv::icmp
