// Class descriptors, the class directory and plug-in loading.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/FunctionPublishing.h"
#include "host/ParamMap.h"

class ClassDesc {
public:
    virtual ~ClassDesc() = default;
    virtual int IsPublic() = 0;
    virtual void* Create(BOOL loading = FALSE) = 0;
    virtual const MCHAR* ClassName() = 0;
    virtual const MCHAR* InternalName() { return nullptr; }
    virtual SClass_ID SuperClassID() = 0;
    virtual Class_ID ClassID() = 0;
    virtual const MCHAR* Category() = 0;
    virtual HINSTANCE HInstance() { return nullptr; }
    virtual BOOL OkToCreate(Interface*) { return TRUE; }
    virtual int BeginCreate(Interface*) { return 0; }
    virtual int EndCreate(Interface*) { return 0; }
    virtual BOOL HasClassParams() { return FALSE; }
    virtual void EditClassParams(HWND) {}
    virtual void ResetClassParams(BOOL) {}
    virtual int NumActionTables() { return 0; }
    virtual BOOL IsManipulator() { return FALSE; }
    virtual DWORD InitialRollupPageState() { return 0x7FFFFFFF; }
    virtual Class_ID SubClassID() { return Class_ID(0xFFFFFFFF, 0xFFFFFFFF); }
    virtual INT_PTR Execute(int, ULONG_PTR = 0, ULONG_PTR = 0, ULONG_PTR = 0) { return 0; }

    // Published interfaces kept by the descriptor.
    virtual int NumInterfaces() { return static_cast<int>(interfaces_.size()); }
    virtual FPInterface* GetInterfaceAt(int i) {
        return i >= 0 && i < NumInterfaces() ? interfaces_[i] : nullptr;
    }
    virtual FPInterface* GetInterface(Interface_ID id);
    virtual void ClearInterfaces() { interfaces_.clear(); }
    void AddInterface(FPInterface* fpi) { interfaces_.push_back(fpi); }

    // Text from the plug-in's string table.
    virtual MSTR GetRsrcString(int id) { return FromUtf8(std::to_string(id)); }

private:
    std::vector<FPInterface*> interfaces_;
};

// Adds parameter-block descriptors, automatic blocks and generated rollouts.
class ClassDesc2 : public ClassDesc {
public:
    ~ClassDesc2() override;

    int NumParamBlockDescs() const { return static_cast<int>(pbDescs_.size()); }
    ParamBlockDesc2* GetParamBlockDesc(int i) { return i >= 0 && i < NumParamBlockDescs() ? pbDescs_[i] : nullptr; }
    ParamBlockDesc2* GetParamBlockDescByID(BlockID id);
    void AddParamBlockDesc(ParamBlockDesc2* pbd) { pbDescs_.push_back(pbd); }

    // Builds the blocks marked for automatic construction and installs each
    // as the owner's reference given by the descriptor.
    void MakeAutoParamBlocks(ReferenceMaker* owner);

    void BeginEditParams(IObjParam* ip, ReferenceMaker* obj, ULONG flags, Animatable* prev);
    void EndEditParams(IObjParam* ip, ReferenceMaker* obj, ULONG flags, Animatable* prev);
    IAutoMParamDlg* CreateParamDlgs(HWND hwMtlEdit, IMtlParams* imp, ReferenceTarget* obj);
    void RestoreRolloutState() { ++rolloutRestores_; }
    int RolloutRestores() const { return rolloutRestores_; }

    // Parameters back to their defaults; the open rollouts are redrawn.
    void Reset(ReferenceMaker* owner, BOOL updateUI = TRUE, BOOL callSetHandlers = TRUE);
    void InvalidateUI();
    void InvalidateUI(ParamBlockDesc2* pbd, ParamID id = -1);

    virtual void SetUserDlgProc(ParamBlockDesc2* pbd, MapID id, ParamMap2UserDlgProc* proc = nullptr);
    virtual void SetUserDlgProc(ParamBlockDesc2* pbd, ParamMap2UserDlgProc* proc = nullptr) {
        SetUserDlgProc(pbd, 0, proc);
    }
    // The parameter map open for editing, or null.
    IParamMap2* GetParamMap(ParamBlockDesc2* pbd, MapID id = 0);
    ReferenceMaker* EditedObject() const { return edited_; }

private:
    std::vector<ParamBlockDesc2*> pbDescs_;
    std::vector<IParamMap2*> openMaps_;
    ReferenceMaker* edited_ = nullptr;
    int rolloutRestores_ = 0;
};

// The material browser's description of a material or map class.
constexpr Interface_ID IMATERIAL_BROWSER_ENTRY_INFO_INTERFACE(0x5E19378B, 0x55535E13);

class IMaterialBrowserEntryInfo : public FPInterface {
public:
    Interface_ID GetID() override { return IMATERIAL_BROWSER_ENTRY_INFO_INTERFACE; }
    FPInterfaceDesc* GetDesc() override;
    virtual const MCHAR* GetEntryName() const = 0;
    virtual const MCHAR* GetEntryCategory() const = 0;
    virtual bool HasCustomImage() = 0;
    virtual HBITMAP GetCustomImage() = 0;
    virtual bool IsHidden() = 0;
};

// Every class the host knows, its own built-in classes and those of loaded
// plug-ins.
class ClassDirectory {
public:
    static ClassDirectory& Get();

    void AddClass(ClassDesc* cd);
    void RemoveClass(ClassDesc* cd);
    int Count() const { return static_cast<int>(classes_.size()); }
    ClassDesc* GetClass(int i) const { return classes_.at(i); }
    ClassDesc* FindClass(SClass_ID sclass, Class_ID cid) const;
    ClassDesc* FindClassByName(const MSTR& name) const;
    // A new instance, or null when the class is unknown.
    void* CreateInstance(SClass_ID sclass, Class_ID cid, BOOL loading = FALSE) const;

private:
    ClassDirectory();
    std::vector<ClassDesc*> classes_;
};

// The entry points a plug-in library exports.
struct PluginEntryPoints {
    const MCHAR* (*LibDescription)() = nullptr;
    int (*LibNumberClasses)() = nullptr;
    ClassDesc* (*LibClassDesc)(unsigned int) = nullptr;
    ULONG (*LibVersion)() = nullptr;
    int (*LibInitialize)() = nullptr;
    int (*LibShutdown)() = nullptr;
    ULONG (*CanAutoDefer)() = nullptr;
};

// A loaded plug-in library: opened from a file (or given its entry points
// when linked in), initialised, and its classes registered.
class PluginLibrary {
public:
    ~PluginLibrary();
    static std::unique_ptr<PluginLibrary> Open(const std::string& path, std::string& error);
    static std::unique_ptr<PluginLibrary> FromEntryPoints(const PluginEntryPoints& entry, std::string& error);

    const PluginEntryPoints& Entry() const { return entry_; }
    MSTR Description() const;
    int NumClasses() const { return static_cast<int>(classes_.size()); }
    ClassDesc* Class(int i) const { return classes_.at(i); }

private:
    PluginLibrary() = default;
    bool Initialise(std::string& error);

    void* handle_ = nullptr;
    PluginEntryPoints entry_;
    std::vector<ClassDesc*> classes_;
};
