// The proxy's rollout, parameter accessor and scripting interface.
#pragma once

#include "Proxy/Proxy.h"

namespace Nimbal {

inline constexpr int PROXY_DIALOG = 1712;

// Control ids of the rollout's dialog template.
enum : int {
    IDC_FILENAME = 1001,
    IDC_CACHE_IN_RAM,
    IDC_PREVIZ_SOLID_BOX,
    IDC_PREVIZ_WIRE_BOX,
    IDC_PREVIZ_POINT_CLOUD,
    IDC_PREVIZ_FULL_MESH,
    IDC_DENSITY,
    IDC_DENSITY_SPIN,
    IDC_ICON_SIZE,
    IDC_ICON_SIZE_SPIN,
    IDC_PICK_FROM_SCENE,
    IDC_CONVERT_DIRECTORY,
    IDC_STATUS,
};

// Every parameter of the block goes through it.
class ProxyPBAccessor : public PBAccessor {
public:
    void Set(PB2Value& v, ReferenceMaker* owner, ParamID id, int tabIndex, TimeValue t) override;
    void Get(PB2Value& v, ReferenceMaker* owner, ParamID id, int tabIndex, TimeValue t, Interval& valid) override;
};

// The rollout's buttons and status line.
class ProxyDlgProc : public ParamMap2UserDlgProc {
public:
    INT_PTR DlgProc(TimeValue t, IParamMap2* map, HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) override;

    // The pick button: a file name, then a node picked in a viewport.
    static void pickFromScene(Proxy* proxy, HWND owner);
    // The conversion button: a directory, then the report.
    static void convertDirectory(HWND owner);
    // Ends a pick that would make this proxy (it is going away).
    static void forgetProxy(Proxy* proxy);
};

inline constexpr Interface_ID PROXY_FP_INTERFACE_ID(0x3B6E0A51, 0x1C47259D);

enum : FunctionID { proxyfp_fromScene = 0, proxyfp_originalMaterialName = 1, proxyfp_originalObjectName = 2 };

// "ProxyFp": creation from a scene node and the names stored in a proxy file.
class ProxyFpImp : public FPInterface {
public:
    explicit ProxyFpImp(ClassDesc* owner);
    FPInterfaceDesc* GetDesc() override { return &desc_; }
    FPStatus Invoke(FunctionID fid, FPValue& result, const FPParams& params) override;

    int fromScene(INode* proxyNode, INode* node, const MSTR& fileName);
    // The name from the proxy's file, or an "[ERROR] ..." text.
    MSTR originalName(INode* proxyNode, bool material);

private:
    FPInterfaceDesc desc_;
};

}  // namespace Nimbal
