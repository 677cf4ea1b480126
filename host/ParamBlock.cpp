#include "host/ParamBlock.h"

#include <algorithm>
#include <cmath>

#include "host/ClassDesc.h"
#include "host/Node.h"
#include "host/Objects.h"
#include "host/ParamMap.h"

namespace {
bool g_animating = false;

PB2Value Lerp(int type, const PB2Value& a, const PB2Value& b, float u) {
    PB2Value r = a;
    if (IsFloatType(type)) {
        r.f = a.f + (b.f - a.f) * u;
    } else if (IsPoint3Type(type)) {
        r.p = a.p + (b.p - a.p) * u;
    } else if (IsPoint4Type(type)) {
        r.p4 = Point4(a.p4.x + (b.p4.x - a.p4.x) * u, a.p4.y + (b.p4.y - a.p4.y) * u,
                      a.p4.z + (b.p4.z - a.p4.z) * u, a.p4.w + (b.p4.w - a.p4.w) * u);
    }
    // Integers, booleans and strings hold the earlier key's value.
    return r;
}

// A default written in another numeric form (2 for a float, a colour for a
// colour with alpha) means the same value.
void NormaliseDefault(ParamDef& d) {
    PB2Value& v = d.def;
    if (IsFloatType(d.type) && v.f == 0.0f && v.i != 0) {
        v.f = static_cast<float>(v.i);
    } else if (IsIntType(d.type) && v.i == 0 && v.f != 0.0f) {
        v.i = static_cast<int>(v.f);
    } else if (IsPoint4Type(d.type) && v.p4 == Point4(0.0f, 0.0f, 0.0f, 0.0f) && !(v.p == Point3(0, 0, 0))) {
        v.p4 = Point4(v.p, 1.0f);
    } else if (IsPoint3Type(d.type) && v.p == Point3(0, 0, 0) && !(v.p4 == Point4(0.0f, 0.0f, 0.0f, 0.0f))) {
        v.p = v.p4.XYZ();
    }
}

bool IsKeyable(const ParamDef& def) {
    const int b = BaseType(def.type);
    return def.IsAnimatable() && (IsFloatType(b) || IsIntType(b) || IsPoint3Type(b) || IsPoint4Type(b));
}
}  // namespace

BOOL Animating() { return g_animating; }
void AnimateOn() { g_animating = true; }
void AnimateOff() { g_animating = false; }

bool ParamDef::IsControlValue(int v) const {
    if (ui.kind != TYPE_RADIO && ui.kind != TYPE_INT_COMBOBOX) return false;
    if (ui.items.empty()) return v >= 0 && v < static_cast<int>(ui.ctrlIds.size());
    return std::any_of(ui.items.begin(), ui.items.end(), [v](const ParamUiItem& it) { return it.value == v; });
}

ParamBlockDesc2::ParamBlockDesc2(BlockDesc block, std::vector<ParamDef> params)
    : block_(std::move(block)), params_(std::move(params)) {
    for (ParamDef& d : params_) NormaliseDefault(d);
    if (block_.owner) block_.owner->AddParamBlockDesc(this);
}

const ParamDef* ParamBlockDesc2::GetParamDef(ParamID id) const {
    for (const ParamDef& d : params_)
        if (d.id == id) return &d;
    return nullptr;
}

const ParamDef* ParamBlockDesc2::FindByName(std::string_view name) const {
    // Retired parameters share their names; the live one wins.
    const ParamDef* found = nullptr;
    for (const ParamDef& d : params_) {
        if (name == d.name) {
            if (!(d.flags & P_OBSOLETE)) return &d;
            if (!found) found = &d;
        }
    }
    return found;
}

int ParamBlockDesc2::IDtoIndex(ParamID id) const {
    for (size_t i = 0; i < params_.size(); ++i)
        if (params_[i].id == id) return static_cast<int>(i);
    return -1;
}

ParamID ParamBlockDesc2::IndextoID(int index) const {
    if (index < 0 || index >= Count()) return -1;
    return params_[index].id;
}

void ParamBlockDesc2::SetUserDlgProc(MapID map, ParamMap2UserDlgProc* proc) {
    for (RolloutDesc& r : block_.rollouts) {
        if (r.mapId == map) { r.dlgProc = proc; return; }
    }
    block_.rollouts.push_back(RolloutDesc{map, 0, 0, 0, proc});
}

ParamMap2UserDlgProc* ParamBlockDesc2::GetUserDlgProc(MapID map) const {
    for (const RolloutDesc& r : block_.rollouts)
        if (r.mapId == map) return r.dlgProc;
    return nullptr;
}

void ParamBlockDesc2::SetAccessor(ParamID id, PBAccessor* accessor) {
    for (ParamDef& d : params_)
        if (d.id == id) d.accessor = accessor;
}

void ParamBlockDesc2::SetValidator(ParamID id, PBValidator* validator) {
    for (ParamDef& d : params_)
        if (d.id == id) d.validator = validator;
}

IParamBlock2* CreateParameterBlock2(ParamBlockDesc2* desc, ReferenceMaker* owner) {
    return desc ? new IParamBlock2(desc, owner) : nullptr;
}

IParamBlock2::IParamBlock2(ParamBlockDesc2* desc, ReferenceMaker* owner) : desc_(desc), owner_(owner) {
    slots_.resize(desc_->Count());
    for (int i = 0; i < desc_->Count(); ++i) {
        const ParamDef& d = desc_->GetParamDefByIndex(i);
        PB2Value v = d.def;
        v.r = nullptr;
        const int n = IsTab(d.type) ? std::max(0, d.tableSize) : 1;
        slots_[i].entries.assign(n, Entry{v, {}});
    }
}

IParamBlock2::~IParamBlock2() {
    for (IParamMap2* m : maps_)
        if (m) m->DetachBlock();
}

int IParamBlock2::GetParameterType(ParamID id) const {
    const ParamDef* d = desc_->GetParamDef(id);
    return d ? d->type : -1;
}

IParamBlock2::Slot* IParamBlock2::FindSlot(ParamID id, const ParamDef** def) {
    const int index = desc_->IDtoIndex(id);
    if (index < 0) return nullptr;
    if (def) *def = &desc_->GetParamDefByIndex(index);
    return &slots_[index];
}

const IParamBlock2::Slot* IParamBlock2::FindSlot(ParamID id, const ParamDef** def) const {
    return const_cast<IParamBlock2*>(this)->FindSlot(id, def);
}

const IParamBlock2::Slot* IParamBlock2::GetSlot(ParamID id) const { return FindSlot(id); }
IParamBlock2::Slot* IParamBlock2::GetSlotForLoad(ParamID id) { return FindSlot(id); }

// Reference numbering: every entry of every reference-typed parameter, in
// descriptor order.
int IParamBlock2::NumRefs() {
    int n = 0;
    for (int i = 0; i < desc_->Count(); ++i)
        if (IsRefType(desc_->GetParamDefByIndex(i).type)) n += static_cast<int>(slots_[i].entries.size());
    return n;
}

bool IParamBlock2::LocateRef(int refIndex, int& slot, int& entry) const {
    if (refIndex < 0) return false;
    int base = 0;
    for (int i = 0; i < desc_->Count(); ++i) {
        if (!IsRefType(desc_->GetParamDefByIndex(i).type)) continue;
        const int n = static_cast<int>(slots_[i].entries.size());
        if (refIndex < base + n) {
            slot = i;
            entry = refIndex - base;
            return true;
        }
        base += n;
    }
    return false;
}

int IParamBlock2::RefIndexOf(ParamID id, int tabIndex) const {
    int base = 0;
    for (int i = 0; i < desc_->Count(); ++i) {
        const ParamDef& d = desc_->GetParamDefByIndex(i);
        if (!IsRefType(d.type)) continue;
        if (d.id == id) return base + tabIndex;
        base += static_cast<int>(slots_[i].entries.size());
    }
    return -1;
}

RefTargetHandle IParamBlock2::GetReference(int i) {
    int s, e;
    return LocateRef(i, s, e) ? slots_[s].entries[e].value.r : nullptr;
}

void IParamBlock2::SetReference(int i, RefTargetHandle target) {
    int s, e;
    if (LocateRef(i, s, e)) slots_[s].entries[e].value.r = target;
}

BaseInterface* IParamBlock2::GetInterface(Interface_ID id) {
    if (id == IPARAMBLOCK2POSTLOADINFO_ID && hasLoadedVersion_) return &postLoadInfo_;
    return ReferenceTarget::GetInterface(id);
}

PB2Value IParamBlock2::ValueAt(const ParamDef& def, const Entry& e, TimeValue t, Interval* valid) const {
    if (e.keys.empty()) return e.value;
    const auto& k = e.keys;
    if (t <= k.front().t) {
        if (valid) *valid &= Interval(TIME_NegInfinity, k.front().t);
        return k.front().v;
    }
    if (t >= k.back().t) {
        if (valid) *valid &= Interval(k.back().t, TIME_PosInfinity);
        return k.back().v;
    }
    if (valid) *valid &= Interval(t, t);
    auto hi = std::upper_bound(k.begin(), k.end(), t, [](TimeValue tt, const Key& key) { return tt < key.t; });
    auto lo = hi - 1;
    if (lo->t == t) return lo->v;
    const float u = static_cast<float>(t - lo->t) / static_cast<float>(hi->t - lo->t);
    return Lerp(def.type, lo->v, hi->v, u);
}

PB2Value IParamBlock2::GetRawValue(ParamID id, TimeValue t, int tabIndex) const {
    const ParamDef* def = nullptr;
    const Slot* slot = FindSlot(id, &def);
    if (!slot || tabIndex < 0 || tabIndex >= static_cast<int>(slot->entries.size())) return PB2Value();
    return ValueAt(*def, slot->entries[tabIndex], t, nullptr);
}

BOOL IParamBlock2::GetValue(ParamID id, TimeValue t, PB2Value& v, Interval& valid, int tabIndex) {
    const ParamDef* def = nullptr;
    Slot* slot = FindSlot(id, &def);
    if (!slot || tabIndex < 0 || tabIndex >= static_cast<int>(slot->entries.size())) return FALSE;
    v = ValueAt(*def, slot->entries[tabIndex], t, &valid);
    if (def->accessor) def->accessor->Get(v, GetOwner(), id, tabIndex, t, valid);
    return TRUE;
}

BOOL IParamBlock2::GetValue(ParamID id, TimeValue t, float& v, Interval& valid, int tabIndex) {
    PB2Value pv;
    if (!GetValue(id, t, pv, valid, tabIndex)) return FALSE;
    v = IsIntType(GetParameterType(id)) ? static_cast<float>(pv.i) : pv.f;
    return TRUE;
}

BOOL IParamBlock2::GetValue(ParamID id, TimeValue t, int& v, Interval& valid, int tabIndex) {
    PB2Value pv;
    if (!GetValue(id, t, pv, valid, tabIndex)) return FALSE;
    v = IsFloatType(GetParameterType(id)) ? static_cast<int>(pv.f) : pv.i;
    return TRUE;
}

BOOL IParamBlock2::GetValue(ParamID id, TimeValue t, Point3& v, Interval& valid, int tabIndex) {
    PB2Value pv;
    if (!GetValue(id, t, pv, valid, tabIndex)) return FALSE;
    v = IsPoint4Type(GetParameterType(id)) ? Point3(pv.p4.x, pv.p4.y, pv.p4.z) : pv.p;
    return TRUE;
}

BOOL IParamBlock2::GetValue(ParamID id, TimeValue t, Color& v, Interval& valid, int tabIndex) {
    Point3 p;
    if (!GetValue(id, t, p, valid, tabIndex)) return FALSE;
    v = Color(p.x, p.y, p.z);
    return TRUE;
}

float IParamBlock2::GetFloat(ParamID id, TimeValue t, int tabIndex) {
    float v = 0.0f;
    Interval valid = FOREVER;
    GetValue(id, t, v, valid, tabIndex);
    return v;
}

int IParamBlock2::GetInt(ParamID id, TimeValue t, int tabIndex) {
    int v = 0;
    Interval valid = FOREVER;
    GetValue(id, t, v, valid, tabIndex);
    return v;
}

Point3 IParamBlock2::GetPoint3(ParamID id, TimeValue t, int tabIndex) {
    Point3 v(0.0f, 0.0f, 0.0f);
    Interval valid = FOREVER;
    GetValue(id, t, v, valid, tabIndex);
    return v;
}

Color IParamBlock2::GetColor(ParamID id, TimeValue t, int tabIndex) {
    Point3 p = GetPoint3(id, t, tabIndex);
    return Color(p.x, p.y, p.z);
}

Point4 IParamBlock2::GetPoint4(ParamID id, TimeValue t, int tabIndex) {
    PB2Value pv;
    Interval valid = FOREVER;
    if (!GetValue(id, t, pv, valid, tabIndex)) return Point4(0.0f, 0.0f, 0.0f, 0.0f);
    if (IsPoint3Type(GetParameterType(id))) return Point4(pv.p.x, pv.p.y, pv.p.z, 1.0f);
    return pv.p4;
}

AColor IParamBlock2::GetAColor(ParamID id, TimeValue t, int tabIndex) {
    Point4 p = GetPoint4(id, t, tabIndex);
    return AColor(p.x, p.y, p.z, p.w);
}

const MCHAR* IParamBlock2::GetStr(ParamID id, TimeValue t, int tabIndex) {
    const ParamDef* def = nullptr;
    Slot* slot = FindSlot(id, &def);
    if (!slot || tabIndex < 0 || tabIndex >= static_cast<int>(slot->entries.size())) return nullptr;
    if (def->accessor) {
        // An accessor may hand out another text; keep it per entry so the
        // pointer stays valid.
        PB2Value v = slot->entries[tabIndex].value;
        Interval valid = FOREVER;
        def->accessor->Get(v, GetOwner(), id, tabIndex, t, valid);
        if (v.s != slot->entries[tabIndex].value.s) {
            MSTR& kept = readBack_[{id, tabIndex}];
            kept = v.s;
            return kept.c_str();
        }
    }
    return slot->entries[tabIndex].value.s.c_str();
}

ReferenceTarget* IParamBlock2::GetReferenceTarget(ParamID id, TimeValue t, int tabIndex) {
    PB2Value v;
    Interval valid = FOREVER;
    if (!GetValue(id, t, v, valid, tabIndex)) return nullptr;
    return v.r;
}

BOOL IParamBlock2::SetValue(ParamID id, TimeValue t, float v, int tabIndex) {
    PB2Value pv;
    if (IsIntType(GetParameterType(id))) pv.i = static_cast<int>(v); else pv.f = v;
    return Store(id, t, pv, tabIndex, true);
}

BOOL IParamBlock2::SetValue(ParamID id, TimeValue t, int v, int tabIndex) {
    PB2Value pv;
    if (IsFloatType(GetParameterType(id))) pv.f = static_cast<float>(v); else pv.i = v;
    return Store(id, t, pv, tabIndex, true);
}

BOOL IParamBlock2::SetValue(ParamID id, TimeValue t, const Point3& v, int tabIndex) {
    PB2Value pv;
    pv.p = v;
    pv.p4 = Point4(v.x, v.y, v.z, 1.0f);
    return Store(id, t, pv, tabIndex, true);
}

BOOL IParamBlock2::SetValue(ParamID id, TimeValue t, const Color& v, int tabIndex) {
    return SetValue(id, t, Point3(v.r, v.g, v.b), tabIndex);
}

BOOL IParamBlock2::SetValue(ParamID id, TimeValue t, const Point4& v, int tabIndex) {
    PB2Value pv;
    pv.p4 = v;
    pv.p = Point3(v.x, v.y, v.z);
    return Store(id, t, pv, tabIndex, true);
}

BOOL IParamBlock2::SetValue(ParamID id, TimeValue t, const AColor& v, int tabIndex) {
    return SetValue(id, t, Point4(v.r, v.g, v.b, v.a), tabIndex);
}

BOOL IParamBlock2::SetValue(ParamID id, TimeValue t, const MCHAR* v, int tabIndex) {
    PB2Value pv;
    pv.s = v ? v : u"";
    return Store(id, t, pv, tabIndex, true);
}

BOOL IParamBlock2::SetValue(ParamID id, TimeValue t, ReferenceTarget* v, int tabIndex) {
    PB2Value pv;
    pv.r = v;
    return Store(id, t, pv, tabIndex, true);
}

BOOL IParamBlock2::SetValue(ParamID id, TimeValue t, const PB2Value& v, int tabIndex) {
    return Store(id, t, v, tabIndex, true);
}

BOOL IParamBlock2::Store(ParamID id, TimeValue t, PB2Value v, int tabIndex, bool callSet) {
    const ParamDef* def = nullptr;
    Slot* slot = FindSlot(id, &def);
    if (!slot || tabIndex < 0 || tabIndex >= static_cast<int>(slot->entries.size())) return FALSE;
    if (callSet && def->accessor) def->accessor->Set(v, GetOwner(), id, tabIndex, t);
    // The accessor may have changed the table; look the entry up again.
    slot = FindSlot(id);
    if (tabIndex >= static_cast<int>(slot->entries.size())) return FALSE;

    if (IsRefType(def->type)) {
        if (slot->entries[tabIndex].value.r != v.r) ReplaceReference(RefIndexOf(id, tabIndex), v.r);
    } else {
        v.r = nullptr;
        Entry& e = slot->entries[tabIndex];
        if (IsKeyable(*def) && (Animating() || !e.keys.empty()) && !(Animating() && e.keys.empty() && t == 0)) {
            if (e.keys.empty()) e.keys.push_back(Key{0, e.value});
            auto it = std::lower_bound(e.keys.begin(), e.keys.end(), t,
                                       [](const Key& k, TimeValue tt) { return k.t < tt; });
            if (it != e.keys.end() && it->t == t) it->v = v;
            else e.keys.insert(it, Key{t, v});
            e.value = e.keys.front().v;
        } else {
            e.value = std::move(v);
        }
    }
    Changed(id, tabIndex);
    return TRUE;
}

void IParamBlock2::Changed(ParamID id, int tabIndex) {
    lastNotifyId_ = id;
    lastNotifyTab_ = tabIndex;
    for (IParamMap2* m : maps_)
        if (m) m->Invalidate(id);
    NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

int IParamBlock2::Count(ParamID id) const {
    const Slot* slot = FindSlot(id);
    return slot ? static_cast<int>(slot->entries.size()) : 0;
}

int IParamBlock2::SetCount(ParamID id, int n) {
    const ParamDef* def = nullptr;
    Slot* slot = FindSlot(id, &def);
    if (!slot || !IsTab(def->type) || n < 0) return 0;
    const int old = static_cast<int>(slot->entries.size());
    if (n == old) return n;
    if (n < old) DeleteEntries(id, n, old - n);
    else InsertEntries(id, old, n - old, nullptr);
    if (def->accessor) def->accessor->TabChanged(tab_setcount, nullptr, GetOwner(), id, 0, n);
    Changed(id, std::min(n, old));
    return Count(id);
}

int IParamBlock2::Append(ParamID id, int count, const PB2Value* values) {
    return Insert(id, Count(id), count, values);
}

int IParamBlock2::Insert(ParamID id, int at, int count, const PB2Value* values) {
    const ParamDef* def = nullptr;
    Slot* slot = FindSlot(id, &def);
    if (!slot || !IsTab(def->type) || count <= 0) return Count(id);
    const int size = static_cast<int>(slot->entries.size());
    at = std::clamp(at, 0, size);
    InsertEntries(id, at, count, values);
    if (def->accessor)
        def->accessor->TabChanged(size == at ? tab_append : tab_insert, nullptr, GetOwner(), id, at, count);
    Changed(id, at);
    return Count(id);
}

int IParamBlock2::Delete(ParamID id, int at, int count) {
    const ParamDef* def = nullptr;
    Slot* slot = FindSlot(id, &def);
    if (!slot || !IsTab(def->type)) return 0;
    const int size = static_cast<int>(slot->entries.size());
    if (at < 0 || at >= size || count <= 0) return size;
    count = std::min(count, size - at);
    DeleteEntries(id, at, count);
    if (def->accessor) def->accessor->TabChanged(tab_delete, nullptr, GetOwner(), id, at, count);
    Changed(id, at);
    return Count(id);
}

bool IParamBlock2::InsertEntries(ParamID id, int at, int count, const PB2Value* values) {
    const ParamDef* def = nullptr;
    Slot* slot = FindSlot(id, &def);
    if (!slot || count <= 0 || at < 0 || at > static_cast<int>(slot->entries.size())) return false;
    PB2Value fill = def->def;
    fill.r = nullptr;
    slot->entries.insert(slot->entries.begin() + at, count, Entry{fill, {}});
    for (int k = 0; k < count && values; ++k) {
        PB2Value v = values[k];
        if (IsRefType(def->type)) {
            if (v.r) ReplaceReference(RefIndexOf(id, at + k), v.r);
        } else {
            v.r = nullptr;
            FindSlot(id)->entries[at + k].value = v;
        }
    }
    return true;
}

bool IParamBlock2::DeleteEntries(ParamID id, int at, int count) {
    const ParamDef* def = nullptr;
    Slot* slot = FindSlot(id, &def);
    if (!slot || at < 0 || count <= 0 || at + count > static_cast<int>(slot->entries.size())) return false;
    if (IsRefType(def->type)) {
        for (int k = at + count - 1; k >= at; --k)
            if (FindSlot(id)->entries[k].value.r) ReplaceReference(RefIndexOf(id, k), nullptr);
    }
    slot = FindSlot(id);
    slot->entries.erase(slot->entries.begin() + at, slot->entries.begin() + at + count);
    return true;
}

int IParamBlock2::NumKeys(ParamID id, int tabIndex) const {
    const Slot* slot = FindSlot(id);
    if (!slot || tabIndex < 0 || tabIndex >= static_cast<int>(slot->entries.size())) return 0;
    return static_cast<int>(slot->entries[tabIndex].keys.size());
}

void IParamBlock2::DeleteKeys(ParamID id, int tabIndex) {
    Slot* slot = FindSlot(id);
    if (!slot || tabIndex < 0 || tabIndex >= static_cast<int>(slot->entries.size())) return;
    slot->entries[tabIndex].keys.clear();
    Changed(id, tabIndex);
}

void IParamBlock2::GetValidity(TimeValue t, Interval& valid) {
    for (int i = 0; i < desc_->Count(); ++i) {
        const ParamDef& d = desc_->GetParamDefByIndex(i);
        for (const Entry& e : slots_[i].entries)
            if (!e.keys.empty()) ValueAt(d, e, t, &valid);
    }
}

void IParamBlock2::ResetAll(BOOL updateUI, BOOL callSetHandlers) {
    for (int i = 0; i < desc_->Count(); ++i) ResetEntries(desc_->IndextoID(i), -1, FALSE, callSetHandlers);
    if (updateUI)
        for (IParamMap2* m : maps_)
            if (m) m->Invalidate(-1);
    lastNotifyId_ = -1;
    lastNotifyTab_ = -1;
    NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

void IParamBlock2::Reset(ParamID id, int tabIndex, BOOL updateUI, BOOL callSetHandlers) {
    if (!ResetEntries(id, tabIndex, updateUI, callSetHandlers)) return;
    // A reset is a change like any other: the owner's caches must hear of it.
    lastNotifyId_ = id;
    lastNotifyTab_ = tabIndex < 0 ? 0 : tabIndex;
    NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

bool IParamBlock2::ResetEntries(ParamID id, int tabIndex, BOOL updateUI, BOOL callSetHandlers) {
    const ParamDef* def = nullptr;
    Slot* slot = FindSlot(id, &def);
    if (!slot) return false;
    if (IsTab(def->type) && tabIndex < 0) {
        // A table goes back to its declared size.
        if (IsRefType(def->type)) {
            for (int k = static_cast<int>(slot->entries.size()) - 1; k >= 0; --k)
                if (FindSlot(id)->entries[k].value.r) ReplaceReference(RefIndexOf(id, k), nullptr);
        }
        PB2Value fill = def->def;
        fill.r = nullptr;
        FindSlot(id)->entries.assign(std::max(0, def->tableSize), Entry{fill, {}});
    } else {
        const int first = tabIndex < 0 ? 0 : tabIndex;
        const int last = tabIndex < 0 ? static_cast<int>(slot->entries.size()) : tabIndex + 1;
        for (int k = first; k < last && k < static_cast<int>(FindSlot(id)->entries.size()); ++k) {
            PB2Value v = def->def;
            v.r = nullptr;
            if (callSetHandlers && def->accessor) def->accessor->Set(v, GetOwner(), id, k, 0);
            if (IsRefType(def->type)) {
                if (FindSlot(id)->entries[k].value.r) ReplaceReference(RefIndexOf(id, k), v.r);
            } else {
                Entry& e = FindSlot(id)->entries[k];
                e.keys.clear();
                e.value = v;
            }
        }
    }
    if (updateUI)
        for (IParamMap2* m : maps_)
            if (m) m->Invalidate(id);
    return true;
}

void IParamBlock2::CallSets() {
    for (int i = 0; i < desc_->Count(); ++i) {
        const ParamDef& d = desc_->GetParamDefByIndex(i);
        if (!d.accessor) continue;
        for (int k = 0; k < static_cast<int>(slots_[i].entries.size()); ++k) {
            PB2Value v = ValueAt(d, slots_[i].entries[k], 0, nullptr);
            d.accessor->Set(v, GetOwner(), d.id, k, 0);
        }
    }
}

BOOL IParamBlock2::Validate(ParamID id, PB2Value& v, int tabIndex) {
    const ParamDef* def = desc_->GetParamDef(id);
    if (!def) return FALSE;
    if (def->validator) return def->validator->Validate(v, GetOwner(), id, tabIndex);
    return TRUE;
}

void IParamBlock2::SetMap(IParamMap2* map, MapID id) {
    if (id < 0) return;
    if (static_cast<size_t>(id) >= maps_.size()) maps_.resize(id + 1, nullptr);
    maps_[id] = map;
}

IParamMap2* IParamBlock2::GetMap(MapID id) const {
    if (id < 0 || static_cast<size_t>(id) >= maps_.size()) return nullptr;
    return maps_[id];
}

RefResult IParamBlock2::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID&, RefMessage message,
                                         BOOL) {
    // Report which parameter holds the target that changed. A deleted target
    // may sit in several table entries: the accessor hears of each.
    bool found = false;
    for (int i = 0; i < desc_->Count(); ++i) {
        const ParamDef& d = desc_->GetParamDefByIndex(i);
        if (!IsRefType(d.type)) continue;
        for (int k = 0; k < static_cast<int>(slots_[i].entries.size()); ++k) {
            if (slots_[i].entries[k].value.r != hTarget) continue;
            if (!found) {
                lastNotifyId_ = d.id;
                lastNotifyTab_ = k;
                found = true;
            }
            if (message != REFMSG_TARGET_DELETED) return REF_SUCCEED;
            if (d.accessor && IsTab(d.type))
                d.accessor->TabChanged(tab_ref_deleted, nullptr, GetOwner(), d.id, k, 1);
        }
    }
    return REF_SUCCEED;
}

RefTargetHandle IParamBlock2::Clone(RemapDir& remap) {
    auto* copy = new IParamBlock2(desc_, nullptr);
    for (int i = 0; i < desc_->Count(); ++i) {
        const ParamDef& d = desc_->GetParamDefByIndex(i);
        if (!IsRefType(d.type)) {
            copy->slots_[i] = slots_[i];
            continue;
        }
        const int n = static_cast<int>(slots_[i].entries.size());
        copy->slots_[i].entries.assign(n, Entry{});
        for (int k = 0; k < n; ++k) {
            RefTargetHandle src = slots_[i].entries[k].value.r;
            if (!src) continue;
            RefTargetHandle dst;
            if (BaseType(d.type) == TYPE_INODE) {
                // Nodes belong to the scene: a clone points at the same node
                // unless that node was cloned in the same operation, which may
                // happen after this block; the back-patch settles it.
                dst = remap.FindMapping(src);
                if (!dst) {
                    dst = src;
                    const ParamID id = d.id;
                    remap.AddPostPatchProc([copy, id, k, src](RemapDir& r) {
                        RefTargetHandle to = r.FindMapping(src);
                        const Slot* slot = copy->FindSlot(id);
                        if (to && slot && k < static_cast<int>(slot->entries.size()) &&
                            slot->entries[k].value.r == src)
                            copy->ReplaceReference(copy->RefIndexOf(id, k), to);
                    });
                }
            } else {
                dst = remap.CloneRef(src);
            }
            copy->ReplaceReference(copy->RefIndexOf(d.id, k), dst);
        }
    }
    copy->loadedVersion_ = loadedVersion_;
    copy->hasLoadedVersion_ = hasLoadedVersion_;
    BaseClone(this, copy, remap);
    return copy;
}

ReferenceMaker* IParamBlock2::GetOwnerOrDependent() {
    if (owner_) return owner_;
    return GetDependents().empty() ? nullptr : GetDependents().front();
}

Texmap* IParamBlock2::GetTexmap(ParamID id, TimeValue t, int tabIndex) {
    return dynamic_cast<Texmap*>(GetReferenceTarget(id, t, tabIndex));
}

Mtl* IParamBlock2::GetMtl(ParamID id, TimeValue t, int tabIndex) {
    return dynamic_cast<Mtl*>(GetReferenceTarget(id, t, tabIndex));
}

INode* IParamBlock2::GetINode(ParamID id, TimeValue t, int tabIndex) {
    return dynamic_cast<INode*>(GetReferenceTarget(id, t, tabIndex));
}
