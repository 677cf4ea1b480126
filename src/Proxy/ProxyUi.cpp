#include "Proxy/ProxyUi.h"

#include "Resources.h"
#include "core-interface/WinApi.h"

namespace Nimbal {

namespace {

// Waits for the node the user picks after naming the file.
class ProxyPickCallback : public PickModeCallback {
public:
    Proxy* proxy = nullptr;
    String fileName;

    BOOL Pick(Interface*, INode* node) override {
        Proxy* target = proxy;
        const String name = fileName;
        proxy = nullptr;
        if (target) target->createFromNode(node, name);
        return TRUE;
    }
    void ExitMode(Interface*) override { proxy = nullptr; }
};

ProxyPickCallback pickCallback;

Proxy* proxyOf(IParamMap2* map) {
    IParamBlock2* pb = map ? map->GetParamBlock() : nullptr;
    return pb ? dynamic_cast<Proxy*>(pb->GetOwner()) : nullptr;
}

void showStatus(IParamMap2* map, HWND hWnd) {
    Proxy* proxy = proxyOf(map);
    if (!proxy) return;
    SetDlgItemText(hWnd, IDC_STATUS, proxy->statusText().c_wstr());
}

}  // namespace

INT_PTR ProxyDlgProc::DlgProc(TimeValue, IParamMap2* map, HWND hWnd, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        // The template's own controls, beside those of the parameters.
        if (const DialogResource* dialog = findDialogResource(PROXY_DIALOG)) {
            for (const ControlResource& c : dialog->controls)
                if (!GetDlgItem(hWnd, c.id)) hWnd->AddChild(c.id, FromUtf8(c.text));
        }
        showStatus(map, hWnd);
        return TRUE;
    case WM_PAINT: showStatus(map, hWnd); return FALSE;
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED) return FALSE;
        if (LOWORD(wParam) == IDC_PICK_FROM_SCENE) {
            if (Proxy* proxy = proxyOf(map)) pickFromScene(proxy, hWnd);
            return TRUE;
        }
        if (LOWORD(wParam) == IDC_CONVERT_DIRECTORY) {
            convertDirectory(hWnd);
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        if (pickCallback.proxy && pickCallback.proxy == proxyOf(map)) GetCOREInterface()->ClearPickMode();
        return FALSE;
    default: return FALSE;
    }
}

void ProxyDlgProc::pickFromScene(Proxy* proxy, HWND owner) {
    const String name = WinApi::filenameSaveDlg(owner, String("Save proxy as"), String("Nimbal Proxy (*.nproxy)|*.nproxy"));
    if (name.isEmpty()) return;
    Interface* ip = GetCOREInterface();
    ip->ClearPickMode();
    pickCallback.proxy = proxy;
    pickCallback.fileName = name;
    ip->SetPickMode(&pickCallback);
}

void ProxyDlgProc::convertDirectory(HWND owner) {
    const String root = WinApi::dirSelectDlg(owner, String("Select a root directory with proxies"), String());
    if (root.isEmpty()) return;
    Interface* ip = GetCOREInterface();
    ProxyConversionReport report;
    {
        // The bar ends however the conversion does.
        struct Bar {
            Interface* ip;
            ~Bar() { ip->ProgressEnd(); }
        } bar{ip};
        ip->ProgressStart(u"Converting proxies", TRUE, nullptr, nullptr);
        report = convertProxiesInDirectory(root, [ip](int done, int total) {
            ip->ProgressUpdate(total > 0 ? int(int64_t(done) * 100 / total) : 100);
        });
    }
    MessageBox(owner, report.text().c_wstr(), u"Conversion result", MB_OK);
}

void ProxyDlgProc::forgetProxy(Proxy* proxy) {
    if (pickCallback.proxy != proxy) return;
    pickCallback.proxy = nullptr;
    Interface* ip = GetCOREInterface();
    if (ip->GetCurPickMode() == &pickCallback) ip->ClearPickMode();
}

// ---------------------------------------------------------------------------

ProxyFpImp::ProxyFpImp(ClassDesc* owner)
    : desc_(PROXY_FP_INTERFACE_ID, "ProxyFp",
            {
                {proxyfp_fromScene, "fromScene", TYPE_INT,
                 {{"proxy", TYPE_INODE}, {"node", TYPE_INODE}, {"filename", TYPE_FILENAME}}},
                {proxyfp_originalMaterialName, "originalMaterialName", TYPE_STRING, {{"proxy", TYPE_INODE}}},
                {proxyfp_originalObjectName, "originalObjectName", TYPE_STRING, {{"proxy", TYPE_INODE}}},
            }) {
    owner->AddInterface(this);
}

namespace {
Proxy* proxyOfNode(INode* node) { return node ? dynamic_cast<Proxy*>(node->GetObjectRef()) : nullptr; }
}  // namespace

int ProxyFpImp::fromScene(INode* proxyNode, INode* node, const MSTR& fileName) {
    // A first node that holds no proxy has nothing to make: a failure.
    Proxy* proxy = proxyOfNode(proxyNode);
    if (!proxy) return 0;
    return proxy->createFromNode(node, String(fileName.c_str())) ? 1 : 0;
}

MSTR ProxyFpImp::originalName(INode* proxyNode, bool material) {
    if (!proxyNode) return u"[ERROR] 1 parameter - pointer to proxy node - is required";
    Proxy* proxy = proxyOfNode(proxyNode);
    if (!proxy) return u"[ERROR] Provided node is not a Nimbal Proxy";
    proxy->ensureLoaded();
    const ProxyFileInfo& info = proxy->getData().info;
    return MSTR((material ? info.originalMaterialName : info.originalObjectName).c_wstr());
}

FPStatus ProxyFpImp::Invoke(FunctionID fid, FPValue& result, const FPParams& params) {
    const FPFunctionDef* def = nullptr;
    for (const FPFunctionDef& f : desc_.Functions())
        if (f.id == fid) def = &f;
    if (!def) return FPS_NO_SUCH_FUNCTION;
    if (params.size() != def->params.size()) return FPS_FAIL;
    switch (fid) {
    case proxyfp_fromScene: result = FPValue::Int(fromScene(params[0].n, params[1].n, params[2].s)); return FPS_OK;
    case proxyfp_originalMaterialName: result = FPValue::String(originalName(params[0].n, true)); return FPS_OK;
    case proxyfp_originalObjectName: result = FPValue::String(originalName(params[0].n, false)); return FPS_OK;
    default: return FPS_NO_SUCH_FUNCTION;
    }
}

}  // namespace Nimbal
