// The reference system: makers hold targets, targets know their dependents,
// changes travel up through NotifyDependents, and clones go through a remap
// directory so that shared targets stay shared.
#pragma once

#include <functional>
#include <map>
#include <vector>

#include "host/Types.h"

class ReferenceMaker;
class ReferenceTarget;
class IParamBlock2;
class ISave;
class ILoad;
class Interface;
using IObjParam = Interface;
class BaseInterface;
class AssetEnumCallback;
using RefTargetHandle = ReferenceTarget*;
using RefMakerHandle = ReferenceMaker*;

// Base of every host-visible object: identity, sub-animatables, interfaces.
class Animatable {
public:
    Animatable() = default;
    Animatable(const Animatable&) = delete;
    Animatable& operator=(const Animatable&) = delete;
    virtual ~Animatable() = default;

    virtual void GetClassName(MSTR& s) const { s.clear(); }
    virtual Class_ID ClassID() { return Class_ID(0, 0); }
    virtual SClass_ID SuperClassID() { return 0; }
    virtual void DeleteThis() { delete this; }

    virtual int NumSubs() { return 0; }
    virtual Animatable* SubAnim(int) { return nullptr; }
    virtual MSTR SubAnimName(int) { return MSTR(); }

    virtual int NumParamBlocks() { return 0; }
    virtual IParamBlock2* GetParamBlock(int) { return nullptr; }
    virtual IParamBlock2* GetParamBlockByID(BlockID) { return nullptr; }

    virtual BaseInterface* GetInterface(Interface_ID) { return nullptr; }
    // Reports the external files the object uses (host/Assets.h).
    virtual void EnumAuxFiles(AssetEnumCallback&, DWORD) {}

    virtual void BeginEditParams(IObjParam*, ULONG, Animatable*) {}
    virtual void EndEditParams(IObjParam*, ULONG, Animatable*) {}
};

class ReferenceMaker : public Animatable {
public:
    ~ReferenceMaker() override;

    virtual int NumRefs() { return 0; }
    virtual RefTargetHandle GetReference(int) { return nullptr; }
    // Stores the pointer only; the bookkeeping is ReplaceReference's.
    virtual void SetReference(int, RefTargetHandle) {}

    // Makes this maker depend on newTarget through reference `which`. The old
    // target loses this dependent and, when it has none left and delOld is
    // set, is deleted.
    RefResult ReplaceReference(int which, RefTargetHandle newTarget, BOOL delOld = TRUE);
    RefResult DeleteReference(int which) { return ReplaceReference(which, nullptr); }
    RefResult DeleteAllRefsFromMe();

    virtual RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                                       RefMessage message, BOOL propagate);

    // Whether a reference is a real dependency (cloning follows only those).
    virtual BOOL IsRealDependency(ReferenceTarget*) { return TRUE; }
    virtual bool IsRefTarget() { return false; }

    virtual IOResult Save(ISave*) { return IO_OK; }
    virtual IOResult Load(ILoad*) { return IO_OK; }

private:
    friend class ReferenceTarget;
    class Holder;
    // The targets this maker depends on, one entry per reference: the mirror
    // of their dependent lists, so that a maker destroyed without dropping its
    // references leaves no dangling dependent behind.
    std::vector<ReferenceTarget*> held_;
};

class RemapDir;

class ReferenceTarget : public ReferenceMaker {
public:
    ~ReferenceTarget() override;
    bool IsRefTarget() override { return true; }

    RefResult NotifyDependents(const Interval& changeInt, PartID partID, RefMessage message,
                               SClass_ID sclass = NOTIFY_ALL, BOOL propagate = TRUE,
                               RefTargetHandle hTarget = nullptr);

    virtual RefTargetHandle Clone(RemapDir& remap);
    virtual void BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap);

    // Tells every dependent that this target goes, detaches them, drops this
    // target's own references and deletes it.
    RefResult DeleteMe();
    // Deletes this target when nothing depends on it any more.
    virtual RefResult MaybeAutoDelete();

    const std::vector<ReferenceMaker*>& GetDependents() const { return dependents_; }
    int NumDependents() const { return static_cast<int>(dependents_.size()); }
    bool IsBeingDeleted() const { return deleting_; }

private:
    friend class ReferenceMaker;
    void AddDependent(ReferenceMaker* maker) {
        dependents_.push_back(maker);
        maker->held_.push_back(this);
    }
    void RemoveDependent(ReferenceMaker* maker);
    // Forgets every remaining dependent (their references are already gone).
    void ForgetDependents();

    std::vector<ReferenceMaker*> dependents_;
    bool deleting_ = false;
};

// Cloning context: each source target is cloned at most once.
class RemapDir {
public:
    RefTargetHandle CloneRef(RefTargetHandle oldTarget);
    RefTargetHandle FindMapping(RefTargetHandle from) const;
    void AddEntry(RefTargetHandle from, RefTargetHandle to);
    // Runs after the whole clone, when every mapping is known.
    void AddPostPatchProc(std::function<void(RemapDir&)> proc) { post_.push_back(std::move(proc)); }
    void Backpatch();

private:
    std::map<RefTargetHandle, RefTargetHandle> map_;
    std::vector<std::function<void(RemapDir&)>> post_;
};

// Clones a target and everything it really depends on.
RefTargetHandle CloneRefHierarchy(RefTargetHandle target);

// While suspended, dropping the last reference to a target does not delete
// it (used while tearing down a graph whose members are deleted explicitly).
class SuspendAutoDelete {
public:
    SuspendAutoDelete();
    ~SuspendAutoDelete();
    static bool Active();
};

// Keeps one target alive for a scope the way a scene would, by referencing it.
class RefHolder : public ReferenceMaker {
public:
    explicit RefHolder(RefTargetHandle target = nullptr) { if (target) ReplaceReference(0, target); }
    ~RefHolder() override { DeleteAllRefsFromMe(); }
    int NumRefs() override { return 1; }
    RefTargetHandle GetReference(int i) override { return i == 0 ? target_ : nullptr; }
    void SetReference(int i, RefTargetHandle t) override { if (i == 0) target_ = t; }
    RefTargetHandle Get() const { return target_; }
    void Reset(RefTargetHandle t = nullptr) { ReplaceReference(0, t); }

private:
    RefTargetHandle target_ = nullptr;
};
