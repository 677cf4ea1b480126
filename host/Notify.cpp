#include "host/Notify.h"

#include <algorithm>
#include <vector>

namespace {
struct Registration {
    NOTIFYPROC proc;
    void* param;
    int code;
    bool operator==(const Registration&) const = default;
};

// Never destroyed: the core interface broadcasts while it is torn down at
// exit, possibly after ordinary statics are gone.
std::vector<Registration>& Registrations() {
    static auto* regs = new std::vector<Registration>();
    return *regs;
}
}  // namespace

int RegisterNotification(NOTIFYPROC proc, void* param, int code) {
    if (!proc) return FALSE;
    auto& regs = Registrations();
    const Registration r{proc, param, code};
    if (std::find(regs.begin(), regs.end(), r) == regs.end()) regs.push_back(r);
    return TRUE;
}

int UnRegisterNotification(NOTIFYPROC proc, void* param, int code) {
    auto& regs = Registrations();
    const Registration r{proc, param, code};
    auto it = std::find(regs.begin(), regs.end(), r);
    if (it == regs.end()) return FALSE;
    regs.erase(it);
    return TRUE;
}

void BroadcastNotification(int code, void* callParam) {
    // A handler may unregister itself (or others) while being called.
    const auto snapshot = Registrations();
    for (const Registration& r : snapshot) {
        if (r.code != code) continue;
        const auto& regs = Registrations();
        if (std::find(regs.begin(), regs.end(), r) == regs.end()) continue;
        NotifyInfo info{code, callParam};
        r.proc(r.param, &info);
    }
}
