#include "host/ClassDesc.h"

#include <dlfcn.h>

#include <algorithm>

#include "host/BitmapTex.h"
#include "host/Objects.h"

FPInterface* ClassDesc::GetInterface(Interface_ID id) {
    for (FPInterface* fpi : interfaces_)
        if (fpi && fpi->GetID() == id) return fpi;
    return nullptr;
}

ClassDesc2::~ClassDesc2() = default;

ParamBlockDesc2* ClassDesc2::GetParamBlockDescByID(BlockID id) {
    for (ParamBlockDesc2* d : pbDescs_)
        if (d->ID() == id) return d;
    return nullptr;
}

void ClassDesc2::MakeAutoParamBlocks(ReferenceMaker* owner) {
    for (ParamBlockDesc2* d : pbDescs_) {
        if (!(d->Flags() & P_AUTO_CONSTRUCT)) continue;
        IParamBlock2* pb = CreateParameterBlock2(d, owner);
        // An owner that refuses the block leaves it with no one to free it.
        if (owner->ReplaceReference(d->RefNo(), pb) != REF_SUCCEED) pb->DeleteThis();
    }
}

void ClassDesc2::BeginEditParams(IObjParam*, ReferenceMaker* obj, ULONG, Animatable*) {
    EndEditParams(nullptr, edited_, 0, nullptr);
    edited_ = obj;
    for (ParamBlockDesc2* d : pbDescs_) {
        if (!(d->Flags() & P_AUTO_UI)) continue;
        IParamBlock2* pb = obj->GetParamBlockByID(d->ID());
        if (!pb) continue;
        for (const RolloutDesc& r : d->Rollouts()) openMaps_.push_back(CreateRollupParamMap(pb, r, this));
    }
}

void ClassDesc2::EndEditParams(IObjParam*, ReferenceMaker*, ULONG, Animatable*) {
    auto maps = std::move(openMaps_);
    openMaps_.clear();
    for (auto it = maps.rbegin(); it != maps.rend(); ++it) DestroyParamMap2(*it);
    edited_ = nullptr;
}

IAutoMParamDlg* ClassDesc2::CreateParamDlgs(HWND, IMtlParams*, ReferenceTarget* obj) {
    std::vector<IParamMap2*> maps;
    for (ParamBlockDesc2* d : pbDescs_) {
        if (!(d->Flags() & P_AUTO_UI)) continue;
        IParamBlock2* pb = obj->GetParamBlockByID(d->ID());
        if (!pb) continue;
        for (const RolloutDesc& r : d->Rollouts()) maps.push_back(CreateRollupParamMap(pb, r, this));
    }
    return new IAutoMParamDlg(std::move(maps));
}

void ClassDesc2::Reset(ReferenceMaker* owner, BOOL updateUI, BOOL callSetHandlers) {
    for (ParamBlockDesc2* d : pbDescs_) {
        if (IParamBlock2* pb = owner->GetParamBlockByID(d->ID())) pb->ResetAll(updateUI, callSetHandlers);
    }
}

void ClassDesc2::InvalidateUI() {
    for (IParamMap2* m : openMaps_) m->Invalidate(-1);
}

void ClassDesc2::InvalidateUI(ParamBlockDesc2* pbd, ParamID id) {
    for (IParamMap2* m : openMaps_)
        if (m->GetParamBlock() && m->GetParamBlock()->GetDesc() == pbd) m->Invalidate(id);
}

void ClassDesc2::SetUserDlgProc(ParamBlockDesc2* pbd, MapID id, ParamMap2UserDlgProc* proc) {
    if (!pbd) return;
    pbd->SetUserDlgProc(id, proc);
    if (IParamMap2* m = GetParamMap(pbd, id)) m->SetUserDlgProc(proc);
}

IParamMap2* ClassDesc2::GetParamMap(ParamBlockDesc2* pbd, MapID id) {
    for (IParamMap2* m : openMaps_)
        if (m->GetParamBlock() && m->GetParamBlock()->GetDesc() == pbd && m->GetMapID() == id) return m;
    return nullptr;
}

FPInterfaceDesc* IMaterialBrowserEntryInfo::GetDesc() {
    static FPInterfaceDesc desc(IMATERIAL_BROWSER_ENTRY_INFO_INTERFACE, "materialBrowserEntryInfo", {});
    return &desc;
}

ClassDirectory& ClassDirectory::Get() {
    static ClassDirectory directory;
    return directory;
}

ClassDirectory::ClassDirectory() {
    RegisterBuiltinClasses(*this);
    RegisterBitmapClasses(*this);
}

void ClassDirectory::AddClass(ClassDesc* cd) {
    if (!cd) return;
    // A class registered twice (a library loaded again) replaces the old one.
    for (ClassDesc*& existing : classes_) {
        if (existing->SuperClassID() == cd->SuperClassID() && existing->ClassID() == cd->ClassID()) {
            existing = cd;
            return;
        }
    }
    classes_.push_back(cd);
}

void ClassDirectory::RemoveClass(ClassDesc* cd) {
    classes_.erase(std::remove(classes_.begin(), classes_.end(), cd), classes_.end());
}

ClassDesc* ClassDirectory::FindClass(SClass_ID sclass, Class_ID cid) const {
    for (ClassDesc* cd : classes_)
        if (cd->SuperClassID() == sclass && cd->ClassID() == cid) return cd;
    return nullptr;
}

ClassDesc* ClassDirectory::FindClassByName(const MSTR& name) const {
    for (ClassDesc* cd : classes_) {
        const MCHAR* n = cd->ClassName();
        if (n && name == n) return cd;
        const MCHAR* in = cd->InternalName();
        if (in && name == in) return cd;
    }
    return nullptr;
}

void* ClassDirectory::CreateInstance(SClass_ID sclass, Class_ID cid, BOOL loading) const {
    ClassDesc* cd = FindClass(sclass, cid);
    return cd ? cd->Create(loading) : nullptr;
}

PluginLibrary::~PluginLibrary() {
    for (ClassDesc* cd : classes_) ClassDirectory::Get().RemoveClass(cd);
    if (entry_.LibShutdown) entry_.LibShutdown();
    if (handle_) dlclose(handle_);
}

std::unique_ptr<PluginLibrary> PluginLibrary::Open(const std::string& path, std::string& error) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        error = "cannot load plug-in " + path + ": " + (why ? why : "unknown error");
        return nullptr;
    }
    PluginEntryPoints e;
    e.LibDescription = reinterpret_cast<const MCHAR* (*)()>(dlsym(handle, "LibDescription"));
    e.LibNumberClasses = reinterpret_cast<int (*)()>(dlsym(handle, "LibNumberClasses"));
    e.LibClassDesc = reinterpret_cast<ClassDesc* (*)(unsigned int)>(dlsym(handle, "LibClassDesc"));
    e.LibVersion = reinterpret_cast<ULONG (*)()>(dlsym(handle, "LibVersion"));
    e.LibInitialize = reinterpret_cast<int (*)()>(dlsym(handle, "LibInitialize"));
    e.LibShutdown = reinterpret_cast<int (*)()>(dlsym(handle, "LibShutdown"));
    e.CanAutoDefer = reinterpret_cast<ULONG (*)()>(dlsym(handle, "CanAutoDefer"));
    std::unique_ptr<PluginLibrary> lib(new PluginLibrary());
    lib->handle_ = handle;
    lib->entry_ = e;
    if (!lib->Initialise(error)) {
        error = path + ": " + error;
        return nullptr;
    }
    return lib;
}

std::unique_ptr<PluginLibrary> PluginLibrary::FromEntryPoints(const PluginEntryPoints& entry, std::string& error) {
    std::unique_ptr<PluginLibrary> lib(new PluginLibrary());
    lib->entry_ = entry;
    if (!lib->Initialise(error)) return nullptr;
    return lib;
}

bool PluginLibrary::Initialise(std::string& error) {
    if (!entry_.LibDescription || !entry_.LibNumberClasses || !entry_.LibClassDesc || !entry_.LibVersion) {
        error = "not a plug-in library: an entry point is missing";
        entry_.LibShutdown = nullptr;
        return false;
    }
    if (entry_.LibVersion() != Get3DSMAXVersion()) {
        error = "built for another host version";
        entry_.LibShutdown = nullptr;
        return false;
    }
    if (entry_.LibInitialize && !entry_.LibInitialize()) {
        error = "the library refused to initialise";
        entry_.LibShutdown = nullptr;
        return false;
    }
    const int n = entry_.LibNumberClasses();
    for (int i = 0; i < n; ++i) {
        ClassDesc* cd = entry_.LibClassDesc(static_cast<unsigned int>(i));
        if (!cd) continue;
        classes_.push_back(cd);
        ClassDirectory::Get().AddClass(cd);
    }
    return true;
}

MSTR PluginLibrary::Description() const {
    const MCHAR* d = entry_.LibDescription ? entry_.LibDescription() : nullptr;
    return d ? MSTR(d) : MSTR();
}
