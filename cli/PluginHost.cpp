#include "PluginHost.h"

#include <cxxabi.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <typeinfo>

namespace cli {

std::string ModulePath() {
    if (const char* env = std::getenv("NIMBAL_PLUGIN"); env && *env) return env;
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return (exe.parent_path() / "nimbal_utilities.so").string();
}

PluginHost& PluginHost::Get() {
    static PluginHost host;
    return host;
}

PluginHost::PluginHost() {
    GetCOREInterface()->SetQuietMode(TRUE);
    EchoMessageBoxes(true);
    std::string error;
    library_ = PluginLibrary::Open(ModulePath(), error);
    if (!library_) throw Failure{error};
}

void PluginHost::EchoMessageBoxes(bool on) {
    if (!on) {
        UiService::Get().SetObserver(nullptr);
        return;
    }
    UiService::Get().SetObserver([](const UiRecord& r) {
        if (r.kind == UiRecord::MessageBox) std::fprintf(stderr, "[%s] %s\n", ToUtf8(r.caption).c_str(), ToUtf8(r.text).c_str());
    });
}

std::vector<ClassDesc*> PluginHost::Classes() {
    std::vector<ClassDesc*> out;
    for (int i = 0; i < library_->NumClasses(); ++i) out.push_back(library_->Class(i));
    return out;
}

ClassDesc* PluginHost::FindClass(const std::string& name) {
    for (ClassDesc* cd : Classes())
        if (ToUtf8(cd->ClassName()) == name) return cd;
    return nullptr;
}

ReferenceTarget* PluginHost::Create(ClassDesc* cd) {
    auto* obj = dynamic_cast<ReferenceTarget*>(static_cast<Animatable*>(cd->Create(FALSE)));
    if (!obj) throw Failure{"cannot create " + ToUtf8(cd->ClassName())};
    return obj;
}

std::string PluginClassName(Animatable* obj) {
    const char* mangled = typeid(*obj).name();
    int status = 0;
    char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    std::string name = status == 0 && demangled ? demangled : mangled;
    std::free(demangled);
    if (auto colon = name.rfind("::"); colon != std::string::npos) name = name.substr(colon + 2);
    return name;
}

std::string Hex(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", v);
    return buf;
}

}  // namespace cli
