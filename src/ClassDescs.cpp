#include "ClassDescs.h"

#include "core-interface/Exception.h"
#include "Resources.h"

namespace Nimbal {

HINSTANCE hInstance = nullptr;

ClassDescCommon::ClassDescCommon(const char* cat, const char* name, SClass_ID sclass, Class_ID cid)
    : category(cat), className(name), superClassId(sclass), classId(cid) {}

ClassDescCommon::ClassDescCommon(const MCHAR* hostCategory, const char* name, SClass_ID sclass, Class_ID cid)
    : category(hostCategory), className(name), superClassId(sclass), classId(cid) {}

FPInterface* ClassDescCommon::GetInterface(Interface_ID id) {
    if ((superClassId == MATERIAL_CLASS_ID || superClassId == TEXMAP_CLASS_ID) &&
        id == IMATERIAL_BROWSER_ENTRY_INFO_INTERFACE)
        return this;
    return ClassDesc::GetInterface(id);
}

MSTR ClassDescCommon::GetRsrcString(int id) { return getResourceString(id); }

const MCHAR* ClassDescCommon::GetEntryCategory() const {
    return superClassId == MATERIAL_CLASS_ID ? u"Materials\\Nimbal" : u"Maps\\Nimbal";
}

HBITMAP ClassDescCommon::GetCustomImage() { NIMBAL_STOP(); }

}  // namespace Nimbal
