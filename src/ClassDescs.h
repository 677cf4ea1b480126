// The class descriptors: one static descriptor per plug-in class, naming its
// class, category, super-class and Class_ID, and creating instances. The
// table of all 26, in the order the host asks for them, is here too.
#pragma once

#include "core-interface/String.h"
#include "host/ClassDesc.h"

namespace Nimbal {

// The module handle, stored when the library is attached to the process.
extern HINSTANCE hInstance;

class ClassDescCommon : public ClassDesc2, public IMaterialBrowserEntryInfo {
public:
    // The category is converted from 8-bit text (Windows ANSI), or copied
    // from a host category global.
    ClassDescCommon(const char* category, const char* className, SClass_ID superClassId, Class_ID classId);
    ClassDescCommon(const MCHAR* hostCategory, const char* className, SClass_ID superClassId, Class_ID classId);

    int IsPublic() override { return 1; }
    const MCHAR* ClassName() override { return className.c_wstr(); }
    const MCHAR* InternalName() override { return className.c_wstr(); }
    SClass_ID SuperClassID() override { return superClassId; }
    Class_ID ClassID() override { return classId; }
    const MCHAR* Category() override { return category.c_wstr(); }
    HINSTANCE HInstance() override { return hInstance; }
    DWORD InitialRollupPageState() override { return 0x7FFFFFFF; }
    BOOL OkToCreate(Interface*) override { return TRUE; }
    Class_ID SubClassID() override { return Class_ID(0xFFFFFFFF, 0xFFFFFFFF); }
    INT_PTR Execute(int, ULONG_PTR, ULONG_PTR, ULONG_PTR) override { return 0; }
    // Materials and maps answer the browser entry information; every other
    // request goes to the host's interface table.
    FPInterface* GetInterface(Interface_ID id) override;
    MSTR GetRsrcString(int id) override;

    // The user dialog procedure of a block, on its first rollout.
    void setUserDlgProc(ParamBlockDesc2* pbd, ParamMap2UserDlgProc* proc) { ClassDesc2::SetUserDlgProc(pbd, 0, proc); }

    // Material-browser entry information.
    const MCHAR* GetEntryName() const override { return className.c_wstr(); }
    const MCHAR* GetEntryCategory() const override;
    bool HasCustomImage() override { return false; }
    HBITMAP GetCustomImage() override;  // never expected
    bool IsHidden() override { return false; }

protected:
    String category;
    String className;
    SClass_ID superClassId;
    Class_ID classId;
};

// Number of classes in the registry, development-only ones included.
inline constexpr unsigned int ALL_CLASSES = 26;
inline constexpr unsigned int PUBLIC_CLASSES = 24;

// The descriptor at a registry index, or null outside 0..25.
ClassDescCommon* classDescAt(unsigned int index);

}  // namespace Nimbal
