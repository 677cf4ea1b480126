// Layout (little-endian):
//   "NIMBALSCENE\0", u32 format version
//   i32 time, i32 unit type, f32 unit scale
//   u32 object count, then per object:
//     u8 kind (0 object, 1 parameter block, 2 node), u32 super-class, u32 Class_ID a, b
//     parameter block only: u32 owner super-class, u32 owner Class_ID a, b, i16 block id, i32 version,
//                           u32 value-bytes length, values
//     u32 reference count, i32 object index per reference (-1 for none)
//     u32 chunk-bytes length, the chunks the object saved
//   u32 scene reference count, i32 object index per reference
#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "host/Interface.h"

class SceneRoot;

namespace {
constexpr char MAGIC[12] = {'N', 'I', 'M', 'B', 'A', 'L', 'S', 'C', 'E', 'N', 'E', '\0'};
constexpr uint32_t FORMAT_VERSION = 1;
enum Kind : uint8_t { KIND_OBJECT = 0, KIND_PBLOCK = 1, KIND_NODE = 2 };
// Kind, super-class, Class_ID, an empty reference list and empty data.
constexpr size_t MIN_RECORD = 1 + 4 + 4 + 4 + 4 + 4;

class Writer {
public:
    template <class T>
    void put(const T& v) {
        const auto* p = reinterpret_cast<const uint8_t*>(&v);
        bytes.insert(bytes.end(), p, p + sizeof(T));
    }
    void putBytes(const std::vector<uint8_t>& b) {
        put(static_cast<uint32_t>(b.size()));
        bytes.insert(bytes.end(), b.begin(), b.end());
    }
    std::vector<uint8_t> bytes;
};

class Reader {
public:
    Reader(const uint8_t* d, size_t n) : data(d), size(n) {}
    template <class T>
    bool get(T& v) {
        if (size - pos < sizeof(T)) return false;
        std::memcpy(&v, data + pos, sizeof(T));
        pos += sizeof(T);
        return true;
    }
    bool getSpan(const uint8_t*& p, uint32_t& n) {
        if (!get(n) || size - pos < n) return false;
        p = data + pos;
        pos += n;
        return true;
    }
    size_t remaining() const { return size - pos; }
    const uint8_t* data;
    size_t size;
    size_t pos = 0;
};

// Values of a parameter block, by id, with the keys of animated entries.
void WriteValue(Writer& w, int type, const PB2Value& v) {
    if (IsFloatType(type)) w.put(v.f);
    else if (IsIntType(type)) w.put(static_cast<int32_t>(v.i));
    else if (IsPoint3Type(type)) w.put(v.p);
    else if (IsPoint4Type(type)) w.put(v.p4);
    else if (IsStringType(type)) {
        w.put(static_cast<uint32_t>(v.s.size()));
        for (char16_t c : v.s) w.put(static_cast<uint16_t>(c));
    }
    // References travel as the object's references.
}

bool ReadValue(Reader& r, int type, PB2Value& v) {
    if (IsFloatType(type)) return r.get(v.f);
    if (IsIntType(type)) {
        int32_t i;
        if (!r.get(i)) return false;
        v.i = i;
        return true;
    }
    if (IsPoint3Type(type)) return r.get(v.p);
    if (IsPoint4Type(type)) return r.get(v.p4);
    if (IsStringType(type)) {
        uint32_t n;
        if (!r.get(n) || n > r.remaining() / 2) return false;
        v.s.resize(n);
        for (uint32_t k = 0; k < n; ++k) {
            uint16_t c = 0;
            r.get(c);
            v.s[k] = static_cast<char16_t>(c);
        }
        return true;
    }
    return IsRefType(type);
}

std::vector<uint8_t> WriteBlockValues(IParamBlock2* pb) {
    Writer w;
    ParamBlockDesc2* desc = pb->GetDesc();
    w.put(static_cast<uint32_t>(desc->Count()));
    for (int i = 0; i < desc->Count(); ++i) {
        const ParamDef& d = desc->GetParamDefByIndex(i);
        const IParamBlock2::Slot* slot = pb->GetSlot(d.id);
        w.put(static_cast<int16_t>(d.id));
        w.put(static_cast<int32_t>(d.type));
        w.put(static_cast<uint32_t>(slot->entries.size()));
        for (const auto& e : slot->entries) {
            WriteValue(w, d.type, e.value);
            w.put(static_cast<uint32_t>(e.keys.size()));
            for (const auto& k : e.keys) {
                w.put(static_cast<int32_t>(k.t));
                WriteValue(w, d.type, k.v);
            }
        }
    }
    return std::move(w.bytes);
}

bool KnownType(int type) {
    return IsFloatType(type) || IsIntType(type) || IsPoint3Type(type) || IsPoint4Type(type) ||
           IsStringType(type) || IsRefType(type);
}

// Values whose id or type the block no longer declares are read and dropped.
bool ReadBlockValues(IParamBlock2* pb, const uint8_t* data, uint32_t size, std::string& error) {
    Reader r(data, size);
    uint32_t count;
    if (!r.get(count)) return error = "truncated parameter block", false;
    for (uint32_t i = 0; i < count; ++i) {
        int16_t id;
        int32_t type;
        uint32_t entries;
        if (!r.get(id) || !r.get(type) || !r.get(entries)) return error = "truncated parameter block", false;
        if (!KnownType(type)) return error = "unknown parameter type in parameter block", false;
        // Each entry holds at least its key count.
        if (entries > r.remaining() / 4) return error = "parameter table larger than the file", false;
        const ParamDef* def = pb->GetParamDef(id);
        const bool keep = def && def->type == type && (IsTab(type) || entries == 1);
        IParamBlock2::Slot* slot = keep ? pb->GetSlotForLoad(id) : nullptr;
        if (slot) slot->entries.assign(entries, IParamBlock2::Entry{});
        for (uint32_t k = 0; k < entries; ++k) {
            PB2Value v;
            uint32_t nkeys;
            if (!ReadValue(r, type, v) || !r.get(nkeys)) return error = "truncated parameter value", false;
            if (nkeys > r.remaining() / 4) return error = "key count larger than the file", false;
            std::vector<IParamBlock2::Key> keys;
            keys.reserve(nkeys);
            for (uint32_t j = 0; j < nkeys; ++j) {
                int32_t t;
                PB2Value kv;
                if (!r.get(t) || !ReadValue(r, type, kv)) return error = "truncated key", false;
                if (!keys.empty() && t <= keys.back().t) return error = "keys out of order", false;
                keys.push_back({t, kv});
            }
            if (slot) {
                v.r = nullptr;
                slot->entries[k].value = std::move(v);
                slot->entries[k].keys = std::move(keys);
            }
        }
    }
    return true;
}

class SavingContext : public ISave {
public:
    explicit SavingContext(const std::map<ReferenceTarget*, int>& ids) : ids_(ids) {}
    int GetRefID(ReferenceTarget* target) override {
        auto it = ids_.find(target);
        return it == ids_.end() ? -1 : it->second;
    }

private:
    const std::map<ReferenceTarget*, int>& ids_;
};

class LoadingContext : public ILoad {
public:
    LoadingContext(const uint8_t* data, size_t size, const std::vector<ReferenceTarget*>& objects)
        : ILoad(data, size), objects_(objects) {}
    ReferenceTarget* GetObjectByRefID(int id) override {
        return id >= 0 && id < static_cast<int>(objects_.size()) ? objects_[id] : nullptr;
    }

private:
    const std::vector<ReferenceTarget*>& objects_;
};

// Everything made while loading, torn down whole when the load fails.
void DiscardLoaded(const std::vector<ReferenceTarget*>& created) {
    std::vector<ReferenceTarget*> all;
    std::set<ReferenceTarget*> seen;
    std::vector<ReferenceTarget*> stack(created.begin(), created.end());
    while (!stack.empty()) {
        ReferenceTarget* t = stack.back();
        stack.pop_back();
        if (!t || !seen.insert(t).second) continue;
        all.push_back(t);
        for (int i = 0; i < t->NumRefs(); ++i) stack.push_back(t->GetReference(i));
    }
    SuspendAutoDelete hold;
    for (ReferenceTarget* t : all) t->DeleteAllRefsFromMe();
    for (ReferenceTarget* t : all)
        if (auto* n = dynamic_cast<INode*>(t)) n->Detach();
    for (ReferenceTarget* t : all) t->DeleteThis();
}

// Holds targets for a while, as a scene would, so that nothing deletes them.
class Keeper : public ReferenceMaker {
public:
    explicit Keeper(const std::vector<ReferenceTarget*>& targets) : refs_(targets.size(), nullptr) {
        for (size_t i = 0; i < targets.size(); ++i) ReplaceReference(static_cast<int>(i), targets[i]);
    }
    ~Keeper() override { DeleteAllRefsFromMe(); }
    int NumRefs() override { return static_cast<int>(refs_.size()); }
    RefTargetHandle GetReference(int i) override { return i >= 0 && i < NumRefs() ? refs_[i] : nullptr; }
    void SetReference(int i, RefTargetHandle t) override {
        if (i >= 0 && i < NumRefs()) refs_[i] = t;
    }
    std::vector<ReferenceTarget*> Targets() const {
        std::vector<ReferenceTarget*> out;
        for (ReferenceTarget* t : refs_)
            if (t) out.push_back(t);
        return out;
    }

private:
    std::vector<ReferenceTarget*> refs_;
};

bool HasCycle(const std::vector<std::vector<int32_t>>& refs) {
    const size_t n = refs.size();
    std::vector<uint8_t> state(n, 0);  // 0 new, 1 on stack, 2 done
    for (size_t start = 0; start < n; ++start) {
        if (state[start]) continue;
        std::vector<std::pair<size_t, size_t>> stack{{start, 0}};
        state[start] = 1;
        while (!stack.empty()) {
            auto& [node, next] = stack.back();
            if (next < refs[node].size()) {
                const int32_t to = refs[node][next++];
                if (to < 0) continue;
                if (state[to] == 1) return true;
                if (state[to] == 0) {
                    state[to] = 1;
                    stack.push_back({static_cast<size_t>(to), 0});
                }
            } else {
                state[node] = 2;
                stack.pop_back();
            }
        }
    }
    return false;
}
}  // namespace

bool SceneFile::Save(Interface& ip, const std::string& path, std::string& error) {
    // Nodes first (depth first, parents before children), then every target
    // they or the scene reach, in the order found.
    std::vector<ReferenceTarget*> order;
    std::map<ReferenceTarget*, int> ids;
    auto add = [&](ReferenceTarget* t) {
        if (t && !ids.count(t)) {
            ids[t] = static_cast<int>(order.size());
            order.push_back(t);
        }
    };
    for (INode* n : ip.AllNodes()) add(n);
    ReferenceMaker* sceneRoot = reinterpret_cast<ReferenceMaker*>(ip.sceneRoot_);
    for (int i = 0; i < sceneRoot->NumRefs(); ++i) add(sceneRoot->GetReference(i));
    for (size_t k = 0; k < order.size(); ++k) {
        ReferenceTarget* t = order[k];
        for (int i = 0; i < t->NumRefs(); ++i) add(t->GetReference(i));
    }

    Writer w;
    w.bytes.insert(w.bytes.end(), MAGIC, MAGIC + sizeof(MAGIC));
    w.put(FORMAT_VERSION);
    w.put(static_cast<int32_t>(ip.time_));
    w.put(static_cast<int32_t>(ip.unitType_));
    w.put(ip.unitScale_);
    w.put(static_cast<uint32_t>(order.size()));
    for (ReferenceTarget* t : order) {
        auto* pb = dynamic_cast<IParamBlock2*>(t);
        auto* node = dynamic_cast<INode*>(t);
        const uint8_t kind = pb ? KIND_PBLOCK : node ? KIND_NODE : KIND_OBJECT;
        w.put(kind);
        w.put(static_cast<uint32_t>(t->SuperClassID()));
        w.put(static_cast<uint32_t>(t->ClassID().PartA()));
        w.put(static_cast<uint32_t>(t->ClassID().PartB()));
        if (pb) {
            ClassDesc2* owner = pb->GetDesc()->Owner();
            if (!owner) return error = "a parameter block without an owning class cannot be saved", false;
            w.put(static_cast<uint32_t>(owner->SuperClassID()));
            w.put(static_cast<uint32_t>(owner->ClassID().PartA()));
            w.put(static_cast<uint32_t>(owner->ClassID().PartB()));
            w.put(static_cast<int16_t>(pb->ID()));
            w.put(static_cast<int32_t>(pb->GetVersion()));
            w.putBytes(WriteBlockValues(pb));
        }
        w.put(static_cast<uint32_t>(t->NumRefs()));
        for (int i = 0; i < t->NumRefs(); ++i) {
            ReferenceTarget* r = t->GetReference(i);
            w.put(static_cast<int32_t>(r ? ids[r] : -1));
        }
        SavingContext isave(ids);
        if (t->Save(&isave) != IO_OK) {
            MSTR name;
            t->GetClassName(name);
            error = "saving " + ToUtf8(name) + " failed";
            return false;
        }
        w.putBytes(isave.Bytes());
    }
    w.put(static_cast<uint32_t>(sceneRoot->NumRefs()));
    for (int i = 0; i < sceneRoot->NumRefs(); ++i) {
        ReferenceTarget* r = sceneRoot->GetReference(i);
        w.put(static_cast<int32_t>(r ? ids[r] : -1));
    }

    // Never leave a half-written file where a good one stood.
    const std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) return error = "cannot write " + path, false;
        out.write(reinterpret_cast<const char*>(w.bytes.data()), static_cast<std::streamsize>(w.bytes.size()));
        if (!out) {
            std::remove(tmp.c_str());
            return error = "cannot write " + path, false;
        }
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        return error = "cannot write " + path, false;
    }
    return true;
}

bool SceneFile::Load(Interface& ip, const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return error = "cannot open " + path, false;
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const MSTR previous = ip.curFile_;
    ip.curFile_ = FromUtf8(path);
    const bool ok = LoadBytes(ip, bytes.data(), bytes.size(), error);
    if (!ok) ip.curFile_ = previous;
    return ok;
}

bool SceneFile::LoadBytes(Interface& ip, const uint8_t* data, size_t size, std::string& error) {
    Reader r(data, size);
    char magic[sizeof(MAGIC)];
    if (size < sizeof(MAGIC) || std::memcmp(data, MAGIC, sizeof(MAGIC)) != 0)
        return error = "not a scene file", false;
    r.pos = sizeof(MAGIC);
    (void)magic;
    uint32_t version, count;
    int32_t time, unitType;
    float unitScale;
    if (!r.get(version)) return error = "truncated scene file", false;
    if (version != FORMAT_VERSION) return error = "unsupported scene file version " + std::to_string(version), false;
    if (!r.get(time) || !r.get(unitType) || !r.get(unitScale) || !r.get(count))
        return error = "truncated scene file", false;
    if (count > r.remaining() / MIN_RECORD) return error = "object count larger than the file", false;

    struct Record {
        uint8_t kind;
        std::vector<int32_t> refs;
        const uint8_t* chunks;
        uint32_t chunkSize;
    };
    std::vector<Record> records;
    std::vector<ReferenceTarget*> objects;
    std::vector<PostLoadCallback*> callbacks;
    records.reserve(count);
    objects.reserve(count);
    auto fail = [&](const std::string& why) {
        for (PostLoadCallback* cb : callbacks) cb->Abandon();
        DiscardLoaded(objects);
        error = why;
        return false;
    };

    for (uint32_t i = 0; i < count; ++i) {
        Record rec{};
        uint32_t sclass, a, b;
        if (!r.get(rec.kind) || !r.get(sclass) || !r.get(a) || !r.get(b)) return fail("truncated object record");
        ReferenceTarget* obj = nullptr;
        if (rec.kind == KIND_NODE) {
            obj = new INode();
        } else if (rec.kind == KIND_PBLOCK) {
            uint32_t os, oa, ob;
            int16_t blockId;
            int32_t blockVersion;
            const uint8_t* values;
            uint32_t valuesSize;
            if (!r.get(os) || !r.get(oa) || !r.get(ob) || !r.get(blockId) || !r.get(blockVersion) ||
                !r.getSpan(values, valuesSize))
                return fail("truncated parameter block record");
            auto* cd = dynamic_cast<ClassDesc2*>(ClassDirectory::Get().FindClass(os, Class_ID(oa, ob)));
            ParamBlockDesc2* desc = cd ? cd->GetParamBlockDescByID(blockId) : nullptr;
            if (!desc) return fail("parameter block of an unknown class or block id");
            auto* pb = new IParamBlock2(desc, nullptr);
            objects.push_back(pb);
            if (!ReadBlockValues(pb, values, valuesSize, error)) return fail(error);
            pb->SetLoadedVersion(blockVersion);
            obj = pb;
            objects.pop_back();
        } else if (rec.kind == KIND_OBJECT) {
            ClassDesc* cd = ClassDirectory::Get().FindClass(sclass, Class_ID(a, b));
            if (!cd) {
                char buf[96];
                std::snprintf(buf, sizeof buf, "unknown class (super-class 0x%X, Class_ID 0x%X, 0x%X)", sclass, a, b);
                return fail(buf);
            }
            obj = dynamic_cast<ReferenceTarget*>(static_cast<Animatable*>(cd->Create(TRUE)));
            if (!obj) return fail("class cannot be loaded");
        } else {
            return fail("unknown object kind");
        }
        objects.push_back(obj);
        uint32_t nrefs;
        if (!r.get(nrefs) || nrefs > r.remaining() / 4) return fail("truncated reference list");
        rec.refs.resize(nrefs);
        for (auto& ref : rec.refs) {
            r.get(ref);
            if (ref < -1 || ref >= static_cast<int32_t>(count)) return fail("reference to a missing object");
        }
        if (!r.getSpan(rec.chunks, rec.chunkSize)) return fail("truncated object data");
        records.push_back(std::move(rec));
    }
    uint32_t sceneRefs;
    if (!r.get(sceneRefs) || sceneRefs > r.remaining() / 4) return fail("truncated scene references");
    std::vector<int32_t> sceneIds(sceneRefs);
    for (auto& id : sceneIds) {
        r.get(id);
        if (id < -1 || id >= static_cast<int32_t>(count)) return fail("reference to a missing object");
    }
    std::vector<std::vector<int32_t>> graph;
    graph.reserve(records.size());
    for (const Record& rec : records) graph.push_back(rec.refs);
    if (HasCycle(graph)) return fail("reference loop in scene file");

    // The objects' own data.
    for (size_t i = 0; i < records.size(); ++i) {
        LoadingContext iload(records[i].chunks, records[i].chunkSize, objects);
        const IOResult res = objects[i]->Load(&iload);
        for (PostLoadCallback* cb : iload.TakeCallbacks()) callbacks.push_back(cb);
        if (res != IO_OK) {
            MSTR name;
            objects[i]->GetClassName(name);
            return fail("damaged data in " + (name.empty() ? std::string("an object") : ToUtf8(name)));
        }
    }
    // References, now that every target exists.
    for (size_t i = 0; i < records.size(); ++i) {
        ReferenceTarget* obj = objects[i];
        if (records[i].kind == KIND_NODE && static_cast<int>(records[i].refs.size()) > obj->NumRefs())
            return fail("damaged node");
        for (size_t k = 0; k < records[i].refs.size(); ++k) {
            const int32_t id = records[i].refs[k];
            ReferenceTarget* target = id >= 0 ? objects[id] : nullptr;
            if (static_cast<int>(k) >= obj->NumRefs()) {
                if (target) return fail("more references than the object holds");
                continue;
            }
            if (obj->ReplaceReference(static_cast<int>(k), target) != REF_SUCCEED && target)
                return fail("reference of the wrong kind");
        }
    }
    // Node hierarchy.
    for (size_t i = 0; i < records.size(); ++i) {
        if (records[i].kind != KIND_NODE) continue;
        auto* node = static_cast<INode*>(objects[i]);
        const int parent = node->LoadedParentId();
        if (parent < 0) continue;
        auto* p = parent < static_cast<int>(objects.size()) ? dynamic_cast<INode*>(objects[parent]) : nullptr;
        if (!p || p == node) return fail("damaged node hierarchy");
        p->AttachChild(node);
        if (node->GetParentNode() != p) return fail("damaged node hierarchy");
    }

    // The file is sound: it replaces the scene.
    const MSTR file = ip.curFile_;
    ip.ResetScene();
    ip.curFile_ = file;
    for (size_t i = 0; i < records.size(); ++i) {
        if (records[i].kind != KIND_NODE) continue;
        auto* node = static_cast<INode*>(objects[i]);
        if (!node->GetParentNode()) ip.root_->AttachChild(node);
    }
    ReferenceMaker* sceneRoot = reinterpret_cast<ReferenceMaker*>(ip.sceneRoot_);
    for (size_t k = 0; k < sceneIds.size(); ++k) {
        ReferenceTarget* target = sceneIds[k] >= 0 ? objects[sceneIds[k]] : nullptr;
        if (static_cast<int>(k) >= 2) {
            if (target) ip.AddToScene(target);
        } else if (target) {
            sceneRoot->ReplaceReference(static_cast<int>(k), target);
        }
    }
    ip.time_ = time;
    ip.SetSystemUnitInfo(unitType, unitScale);

    // Every loaded object lives until the callbacks are done: a callback may
    // drop a reference to an object whose own callback is still to come.
    Keeper keep(objects);

    // Post-load callbacks run once the whole scene is in place.
    std::stable_sort(callbacks.begin(), callbacks.end(),
                     [](PostLoadCallback* x, PostLoadCallback* y) { return x->Priority() < y->Priority(); });
    {
        LoadingContext iload(nullptr, 0, objects);
        for (PostLoadCallback* cb : callbacks) cb->proc(&iload);
    }

    // What the scene does not reach goes: objects of a damaged or hand-made
    // file that nothing refers to, and those the callbacks let go of.
    SuspendAutoDelete hold;
    const std::vector<ReferenceTarget*> alive = keep.Targets();
    keep.DeleteAllRefsFromMe();
    std::set<ReferenceTarget*> kept;
    std::vector<ReferenceTarget*> stack;
    for (INode* n : ip.AllNodes()) stack.push_back(n);
    for (int i = 0; i < sceneRoot->NumRefs(); ++i) stack.push_back(sceneRoot->GetReference(i));
    // Something outside the scene may have come to hold one (a callback's
    // doing): it stays, with what it refers to.
    const std::set<ReferenceMaker*> loaded(alive.begin(), alive.end());
    for (ReferenceTarget* t : alive)
        for (ReferenceMaker* d : t->GetDependents())
            if (!loaded.count(d)) stack.push_back(t);
    while (!stack.empty()) {
        ReferenceTarget* t = stack.back();
        stack.pop_back();
        if (!t || !kept.insert(t).second) continue;
        for (int i = 0; i < t->NumRefs(); ++i) stack.push_back(t->GetReference(i));
    }
    std::vector<ReferenceTarget*> dropped;
    for (ReferenceTarget* t : alive)
        if (!kept.count(t)) dropped.push_back(t);
    // They hold only each other (and perhaps kept objects): drop all their
    // references first, so that none is deleted twice.
    for (ReferenceTarget* t : dropped) t->DeleteAllRefsFromMe();
    for (ReferenceTarget* t : dropped) t->DeleteThis();
    return true;
}

bool SceneFile::Inspect(const std::string& path, std::vector<ObjectInfo>& out, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return error = "cannot open " + path, false;
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < sizeof(MAGIC) || std::memcmp(bytes.data(), MAGIC, sizeof(MAGIC)) != 0)
        return error = "not a scene file", false;
    Reader r(bytes.data(), bytes.size());
    r.pos = sizeof(MAGIC);
    uint32_t version, count;
    int32_t time, unitType;
    float unitScale;
    if (!r.get(version) || !r.get(time) || !r.get(unitType) || !r.get(unitScale) || !r.get(count) ||
        count > r.remaining() / MIN_RECORD)
        return error = "damaged scene file", false;
    out.clear();
    for (uint32_t i = 0; i < count; ++i) {
        ObjectInfo info{};
        uint8_t kind;
        uint32_t sclass, a, b;
        if (!r.get(kind) || !r.get(sclass) || !r.get(a) || !r.get(b)) return error = "damaged scene file", false;
        info.kind = kind;
        info.sclass = sclass;
        info.cid = Class_ID(a, b);
        if (kind == KIND_PBLOCK) {
            uint32_t os, oa, ob;
            int16_t blockId;
            int32_t blockVersion;
            const uint8_t* values;
            uint32_t valuesSize;
            if (!r.get(os) || !r.get(oa) || !r.get(ob) || !r.get(blockId) || !r.get(blockVersion) ||
                !r.getSpan(values, valuesSize))
                return error = "damaged scene file", false;
        }
        uint32_t nrefs;
        if (!r.get(nrefs) || nrefs > r.remaining() / 4) return error = "damaged scene file", false;
        info.refs.resize(nrefs);
        for (auto& ref : info.refs) r.get(ref);
        const uint8_t* chunks;
        uint32_t chunkSize;
        if (!r.getSpan(chunks, chunkSize)) return error = "damaged scene file", false;
        ILoad iload(chunks, chunkSize);
        while (iload.OpenChunk() == IO_OK) {
            info.topChunks.push_back(iload.CurChunkID());
            iload.CloseChunk();
        }
        out.push_back(std::move(info));
    }
    return true;
}
