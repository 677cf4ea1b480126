// The entry points the host calls when it loads the library.
#include <dlfcn.h>

#include "ClassDescs.h"
#include "core-interface/WinApi.h"
#include "host/Interface.h"
#include "host/Win.h"

#define NIMBAL_EXPORT extern "C" __attribute__((visibility("default")))

using namespace Nimbal;

namespace {
// The core's folder and save dialogs are windows like any other: here they
// are the host's, which a user (or a script) answers.
class HostDialogs final : public WinApi::DialogHandler {
public:
    String selectDirectory(void* owner, const String& title, const String& start) override {
        return ask(UiRecord::SelectDirectory, owner, title, start);
    }
    String saveFilename(void* owner, const String& title, const String& filter) override {
        return ask(UiRecord::SaveFile, owner, title, filter);
    }

private:
    static String ask(UiRecord::Kind kind, void* owner, const String& title, const String& detail) {
        const MSTR path = UiService::Get().FileDialog(kind, static_cast<HWND>(owner), title.c_wstr(), detail.c_wstr());
        return String(path.c_str());
    }
};
constinit HostDialogs hostDialogs;
}  // namespace

// Process entry: remembers the module on attach, shows the core's dialogs
// through the host, and asks for no thread notifications.
BOOL DllMain(HINSTANCE module, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) {
        hInstance = module;
        WinApi::setDialogHandler(&hostDialogs);
        DisableThreadLibraryCalls(module);
    }
    return TRUE;
}

namespace {
// The loader attaches the module before the host sees any export.
__attribute__((constructor)) void attachModule() {
    Dl_info info{};
    HINSTANCE module = dladdr(reinterpret_cast<void*>(&attachModule), &info) ? info.dli_fbase : nullptr;
    DllMain(module, DLL_PROCESS_ATTACH, nullptr);
}
}  // namespace

NIMBAL_EXPORT const MCHAR* LibDescription() { return u"Nimbal renderer utilities library"; }

NIMBAL_EXPORT int LibNumberClasses() {
    return WinApi::isDevelopmentEnviro() ? static_cast<int>(ALL_CLASSES) : static_cast<int>(PUBLIC_CLASSES);
}

NIMBAL_EXPORT ClassDesc* LibClassDesc(unsigned int i) {
    if (ClassDescCommon* cd = classDescAt(i)) return cd;
    MessageBox(GetCOREInterface()->GetMAXHWnd(), u"STOP@LibClassDesc", u"Nimbal error", MB_OK);
    return nullptr;
}

NIMBAL_EXPORT ULONG LibVersion() { return Get3DSMAXVersion(); }
NIMBAL_EXPORT int LibInitialize() { return TRUE; }
NIMBAL_EXPORT int LibShutdown() { return TRUE; }
NIMBAL_EXPORT ULONG CanAutoDefer() { return 0; }
