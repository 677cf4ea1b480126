#include "host/Reference.h"

#include <algorithm>

namespace {
int g_suspendAutoDelete = 0;
}

// References a list of targets for a moment; letting go of them deletes
// those nothing else holds.
class ReferenceMaker::Holder : public ReferenceMaker {
public:
    explicit Holder(const std::vector<ReferenceTarget*>& targets) : refs_(targets.size(), nullptr) {
        for (size_t i = 0; i < targets.size(); ++i) ReplaceReference(static_cast<int>(i), targets[i]);
    }
    ~Holder() override { DeleteAllRefsFromMe(); }
    int NumRefs() override { return static_cast<int>(refs_.size()); }
    RefTargetHandle GetReference(int i) override { return i >= 0 && i < NumRefs() ? refs_[i] : nullptr; }
    void SetReference(int i, RefTargetHandle t) override {
        if (i >= 0 && i < NumRefs()) refs_[i] = t;
    }

private:
    std::vector<ReferenceTarget*> refs_;
};

SuspendAutoDelete::SuspendAutoDelete() { ++g_suspendAutoDelete; }
SuspendAutoDelete::~SuspendAutoDelete() { --g_suspendAutoDelete; }
bool SuspendAutoDelete::Active() { return g_suspendAutoDelete > 0; }

ReferenceMaker::~ReferenceMaker() {
    if (held_.empty()) return;
    // Destroyed without DeleteAllRefsFromMe: the targets must not keep
    // pointing here. Those nothing else needs go, as they would had the
    // references been dropped; a holder keeps each alive until its turn, so
    // one deleted along with another is never touched again.
    std::vector<ReferenceTarget*> distinct;
    for (ReferenceTarget* t : held_)
        if (std::find(distinct.begin(), distinct.end(), t) == distinct.end()) distinct.push_back(t);
    Holder holder(distinct);
    const auto held = std::move(held_);
    held_.clear();
    for (ReferenceTarget* t : held) {
        auto it = std::find(t->dependents_.begin(), t->dependents_.end(), this);
        if (it != t->dependents_.end()) t->dependents_.erase(it);
    }
}

RefResult ReferenceMaker::ReplaceReference(int which, RefTargetHandle newTarget, BOOL delOld) {
    if (which < 0 || which >= NumRefs()) return REF_FAIL;
    RefTargetHandle old = GetReference(which);
    if (old == newTarget) return REF_SUCCEED;
    if (newTarget) newTarget->AddDependent(this);
    SetReference(which, newTarget);
    if (GetReference(which) != newTarget) {
        // The maker refused a target of the wrong kind.
        if (newTarget) newTarget->RemoveDependent(this);
        SetReference(which, old);
        return REF_FAIL;
    }
    if (old) {
        old->RemoveDependent(this);
        if (delOld && !old->IsBeingDeleted()) old->MaybeAutoDelete();
    }
    return REF_SUCCEED;
}

RefResult ReferenceMaker::DeleteAllRefsFromMe() {
    for (int i = NumRefs() - 1; i >= 0; --i) {
        if (GetReference(i)) ReplaceReference(i, nullptr);
    }
    return REF_SUCCEED;
}

RefResult ReferenceMaker::NotifyRefChanged(const Interval&, RefTargetHandle, PartID&, RefMessage, BOOL) {
    return REF_SUCCEED;
}

ReferenceTarget::~ReferenceTarget() {
    // A target deleted directly (not through DeleteMe) must not leave dangling
    // pointers in its makers.
    if (!dependents_.empty()) {
        deleting_ = true;
        auto deps = dependents_;
        for (ReferenceMaker* maker : deps) {
            for (int i = 0; i < maker->NumRefs(); ++i) {
                if (maker->GetReference(i) == this) maker->SetReference(i, nullptr);
            }
        }
        ForgetDependents();
    }
}

void ReferenceTarget::ForgetDependents() {
    for (ReferenceMaker* maker : dependents_) {
        auto it = std::find(maker->held_.begin(), maker->held_.end(), this);
        if (it != maker->held_.end()) maker->held_.erase(it);
    }
    dependents_.clear();
}

void ReferenceTarget::RemoveDependent(ReferenceMaker* maker) {
    // One entry per reference: remove just one.
    auto it = std::find(dependents_.begin(), dependents_.end(), maker);
    if (it == dependents_.end()) return;
    dependents_.erase(it);
    auto held = std::find(maker->held_.begin(), maker->held_.end(), this);
    if (held != maker->held_.end()) maker->held_.erase(held);
}

RefResult ReferenceTarget::NotifyDependents(const Interval& changeInt, PartID partID, RefMessage message,
                                            SClass_ID sclass, BOOL propagate, RefTargetHandle hTarget) {
    RefTargetHandle source = hTarget ? hTarget : this;
    // Dependents may change while being told; visit each distinct one once.
    std::vector<ReferenceMaker*> deps;
    for (ReferenceMaker* d : dependents_) {
        if (std::find(deps.begin(), deps.end(), d) == deps.end()) deps.push_back(d);
    }
    for (ReferenceMaker* dep : deps) {
        if (std::find(dependents_.begin(), dependents_.end(), dep) == dependents_.end()) continue;
        if (sclass != NOTIFY_ALL && dep->SuperClassID() != sclass) continue;
        PartID part = partID;
        RefResult r = dep->NotifyRefChanged(changeInt, source, part, message, propagate);
        if (r == REF_STOP) continue;
        if (propagate && dep->IsRefTarget() && message != REFMSG_TARGET_DELETED) {
            static_cast<ReferenceTarget*>(dep)->NotifyDependents(changeInt, part, message, sclass, propagate,
                                                                nullptr);
        }
    }
    return REF_SUCCEED;
}

RefTargetHandle ReferenceTarget::Clone(RemapDir&) { return nullptr; }

void ReferenceTarget::BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) {
    if (from && to) remap.AddEntry(from, to);
}

RefResult ReferenceTarget::DeleteMe() {
    if (deleting_) return REF_SUCCEED;
    deleting_ = true;
    NotifyDependents(FOREVER, PART_ALL, REFMSG_TARGET_DELETED, NOTIFY_ALL, FALSE);
    auto deps = dependents_;
    for (ReferenceMaker* maker : deps) {
        for (int i = 0; i < maker->NumRefs(); ++i) {
            if (maker->GetReference(i) == this) maker->ReplaceReference(i, nullptr, FALSE);
        }
    }
    ForgetDependents();
    DeleteAllRefsFromMe();
    DeleteThis();
    return REF_SUCCEED;
}

RefResult ReferenceTarget::MaybeAutoDelete() {
    if (!dependents_.empty() || SuspendAutoDelete::Active()) return REF_FAIL;
    return DeleteMe();
}

RefTargetHandle RemapDir::CloneRef(RefTargetHandle oldTarget) {
    if (!oldTarget) return nullptr;
    if (RefTargetHandle found = FindMapping(oldTarget)) return found;
    RefTargetHandle copy = oldTarget->Clone(*this);
    if (copy) AddEntry(oldTarget, copy);
    return copy;
}

RefTargetHandle RemapDir::FindMapping(RefTargetHandle from) const {
    auto it = map_.find(from);
    return it == map_.end() ? nullptr : it->second;
}

void RemapDir::AddEntry(RefTargetHandle from, RefTargetHandle to) { map_[from] = to; }

void RemapDir::Backpatch() {
    auto procs = std::move(post_);
    post_.clear();
    for (auto& p : procs) p(*this);
}

RefTargetHandle CloneRefHierarchy(RefTargetHandle target) {
    RemapDir remap;
    RefTargetHandle copy = remap.CloneRef(target);
    remap.Backpatch();
    return copy;
}
