#include "app/globals.h"

namespace orv {

namespace {
MainGlobals& Instance() {
    static MainGlobals g;
    return g;
}
}  // namespace

MainGlobals& G() {
    return Instance();
}

void ResetGlobals() {
    MainGlobals& g = Instance();
    for (auto* w : {&g.findip_thread, &g.findname_thread, &g.nametoip_thread, &g.ping_thread,
                    &g.whereis_single_thread, &g.whereis_batch_thread, &g.whois_thread})
        if (*w)
            (*w)->Halt();
    if (g.IcmpHandle != icmp::kInvalidHandle)
        icmp::IcmpCloseHandle(g.IcmpHandle);
    g = MainGlobals{};
}

}  // namespace orv
