// What every plug-in class does alike: identity from its descriptor, one
// parameter block as reference 0, cloning, saving and loading, reset,
// parameter dialogs, change notification and validity. Texture maps and the
// special materials add a table of sub-map slots.
#pragma once

#include <type_traits>

#include "ClassDescs.h"
#include "core-interface/Exception.h"
#include "core-interface/Stack.h"
#include "core-interface/String.h"
#include "host/Max.h"

namespace Nimbal {

// The chunk that carries the host base class's own data.
inline constexpr USHORT TEMPLATE_CHUNK = 4000;

// Traits supply: `Base` (host base class), `Final` (the plug-in class),
// `SUPER_CLASS_ID`, and `classDesc()` (its descriptor).
template <class Traits>
class PluginTemplate : public Traits::Base {
public:
    using Base = typename Traits::Base;
    using Final = typename Traits::Final;

    IParamBlock2* pblock = nullptr;

    PluginTemplate() { Traits::classDesc()->MakeAutoParamBlocks(this); }

    // Identity.
    void GetClassName(MSTR& s) const override { s = Traits::classDesc()->ClassName(); }
    Class_ID ClassID() override { return Traits::classDesc()->ClassID(); }
    SClass_ID SuperClassID() override { return Traits::SUPER_CLASS_ID; }

    void BeginEditParams(IObjParam* ip, ULONG flags, Animatable* prev) override {
        Traits::classDesc()->BeginEditParams(ip, this, flags, prev);
    }
    void EndEditParams(IObjParam* ip, ULONG flags, Animatable* prev) override {
        Traits::classDesc()->EndEditParams(ip, this, flags, prev);
    }

    // References: 0 is the parameter block; a class with more overrides
    // NumRefs and the three hooks.
    int NumRefs() override { return 1; }
    RefTargetHandle GetReference(int i) override { return i == 0 ? pblock : getReference(i); }
    void SetReference(int i, RefTargetHandle target) override {
        if (i == 0) pblock = dynamic_cast<IParamBlock2*>(target);
        else setReference(i, target);
    }
    int NumSubs() override { return NumRefs(); }
    Animatable* SubAnim(int i) override { return GetReference(i); }
    MSTR SubAnimName(int i) override { return i == 0 ? MSTR(u"Pblock") : subAnimName(i); }

    int NumParamBlocks() override { return 1; }
    IParamBlock2* GetParamBlock(int) override { return pblock; }
    IParamBlock2* GetParamBlockByID(BlockID) override { return pblock; }

    IOResult Save(ISave* isave) override {
        isave->BeginChunk(TEMPLATE_CHUNK);
        const IOResult res = Base::Save(isave);
        if (res != IO_OK) return res;
        isave->EndChunk();
        return IO_OK;
    }

    IOResult Load(ILoad* iload) override {
        IOResult res;
        while ((res = iload->OpenChunk()) == IO_OK) {
            IOResult inner = IO_OK;
            if (iload->CurChunkID() == TEMPLATE_CHUNK) inner = Base::Load(iload);
            iload->CloseChunk();
            if (inner != IO_OK) return inner;
        }
        // A damaged chunk header is a failed load, not the end of the data.
        return res == IO_ERROR ? IO_ERROR : IO_OK;
    }

    RefTargetHandle Clone(RemapDir& remap) override {
        Final* copy = new Final();
        if constexpr (std::is_base_of_v<MtlBase, Base>) {
            static_cast<MtlBase&>(*copy) = static_cast<const MtlBase&>(*this);
        }
        for (int i = 0; i < NumRefs(); ++i) {
            RefTargetHandle target = GetReference(i);
            if (target && this->IsRealDependency(target)) copy->ReplaceReference(i, remap.CloneRef(target));
        }
        this->BaseClone(this, copy, remap);
        copy->copyFrom(static_cast<Final&>(*this));
        return copy;
    }

    // Parameters back to their defaults, user interface rebuilt.
    void resetParameters() { Traits::classDesc()->Reset(this, TRUE, TRUE); }

    // Unbounded, narrowed by the parameter block's validity at t.
    Interval validity(TimeValue t) {
        Interval valid = FOREVER;
        if (pblock) pblock->GetValidity(t, valid);
        return valid;
    }

    void notifyAllChanged() { this->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE, NOTIFY_ALL, TRUE, nullptr); }

protected:
    // Hooks for classes with more references than the parameter block.
    virtual RefTargetHandle getReference(int) { NIMBAL_STOP(); }
    virtual void setReference(int, RefTargetHandle) { NIMBAL_STOP(); }
    virtual MSTR subAnimName(int) { NIMBAL_STOP(); }

public:
    // Copies state not held in references (caches, derived values).
    virtual void copyFrom(const Final&) {}
};

// A map slot: the name shown, the texture-map parameter and the boolean
// parameter that switches it on (0 for always on), packed texmap id low.
struct SubTexmapSlot {
    String name;
    uint32_t ids;

    ParamID texmapId() const { return static_cast<ParamID>(ids & 0xFFFF); }
    ParamID enableId() const { return static_cast<ParamID>(ids >> 16); }
};

template <class Traits>
class TexmapTemplate : public PluginTemplate<Traits> {
public:
    Stack<SubTexmapSlot> subTexmapSlots;

    void addSubTexmapSlot(const char* name, ParamID texmapId, ParamID enableId) {
        subTexmapSlots.push(SubTexmapSlot{String(name), static_cast<uint32_t>(static_cast<uint16_t>(texmapId)) |
                                                            (static_cast<uint32_t>(static_cast<uint16_t>(enableId)) << 16)});
    }

    int NumSubTexmaps() override { return static_cast<int>(subTexmapSlots.size()); }
    Texmap* GetSubTexmap(int i) override { return this->pblock->GetTexmap(slot(i).texmapId(), 0); }
    void SetSubTexmap(int i, Texmap* map) override {
        this->pblock->SetValue(slot(i).texmapId(), 0, static_cast<ReferenceTarget*>(map));
        Traits::classDesc()->InvalidateUI(this->pblock->GetDesc());
    }
    int SubTexmapOn(int i) override {
        const ParamID enable = slot(i).enableId();
        return enable == 0 ? 1 : (this->pblock->GetInt(enable, 0) != 0);
    }
    MSTR GetSubTexmapSlotName(int i) override { return MSTR(slot(i).name.c_wstr()); }

    IAutoMParamDlg* CreateParamDlg(HWND editor, IMtlParams* imp) override {
        IAutoMParamDlg* dlg = Traits::classDesc()->CreateParamDlgs(editor, imp, this);
        Traits::classDesc()->RestoreRolloutState();
        return dlg;
    }
    Interval Validity(TimeValue t) override { return this->validity(t); }
    void Reset() override { this->resetParameters(); }

private:
    const SubTexmapSlot& slot(int i) {
        if (i < 0 || i >= static_cast<int>(subTexmapSlots.size())) NIMBAL_STOP();
        return subTexmapSlots[i];
    }
};

}  // namespace Nimbal
