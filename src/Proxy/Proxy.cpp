#include "Proxy/Proxy.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_PROXY_PB = 11000,
    IDS_PROXY_ROLLOUT_0 = 11001,
};

const StringTable strings{
    {IDS_PROXY_PB, "Proxy paramblock"},
    {IDS_PROXY_ROLLOUT_0, "Nimbal Proxy"},
};

class ProxyCd : public ClassDescCommon {
public:
    ProxyCd() : ClassDescCommon("Nimbal", "NProxy", GEOMOBJECT_CLASS_ID, Class_ID(0x2B0264BC, 0x05EC07F5)) {}
    void* Create(BOOL) override { return new (std::nothrow) Proxy(); }
};

ProxyCd proxyCd;

ParamBlockDesc2 proxyPbDesc(
    BlockDesc{0, "NimbalProxyPb", IDS_PROXY_PB, &proxyCd, P_AUTO_CONSTRUCT | P_AUTO_UI | P_VERSION, 548, 0,
             {
             RolloutDesc{0, 1712, IDS_PROXY_ROLLOUT_0, 0, nullptr}
             }},
    {});
}  // namespace

ClassDesc2* ProxyTraits::classDesc() { return &proxyCd; }
ClassDescCommon* proxyClassDesc() { return &proxyCd; }

Proxy::Proxy() = default;

}  // namespace Nimbal
