#include "host/Interface.h"

#include <algorithm>
#include <filesystem>
#include <functional>

#include "host/ExclList.h"

// The scene's own references: environment map, renderer, loose objects.
class SceneRoot : public ReferenceMaker {
public:
    enum { REF_ENV = 0, REF_RENDERER = 1, REF_FIRST_OBJECT = 2 };
    ~SceneRoot() override { DeleteAllRefsFromMe(); }
    int NumRefs() override { return REF_FIRST_OBJECT + static_cast<int>(objects.size()); }
    RefTargetHandle GetReference(int i) override {
        if (i == REF_ENV) return env;
        if (i == REF_RENDERER) return renderer;
        const int k = i - REF_FIRST_OBJECT;
        return k >= 0 && k < static_cast<int>(objects.size()) ? objects[k] : nullptr;
    }
    void SetReference(int i, RefTargetHandle t) override {
        if (i == REF_ENV) env = dynamic_cast<Texmap*>(t);
        else if (i == REF_RENDERER) renderer = dynamic_cast<Renderer*>(t);
        else if (i - REF_FIRST_OBJECT >= 0 && i - REF_FIRST_OBJECT < static_cast<int>(objects.size()))
            objects[i - REF_FIRST_OBJECT] = t;
    }
    Texmap* env = nullptr;
    Renderer* renderer = nullptr;
    std::vector<RefTargetHandle> objects;
};

namespace {
int g_ticksPerFrame = 160;
}

int GetTicksPerFrame() { return g_ticksPerFrame; }
void SetTicksPerFrame(int ticks) { if (ticks > 0) g_ticksPerFrame = ticks; }
DWORD Get3DSMAXVersion() { return MAX_VERSION; }

std::string ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::u16string FromUtf8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto b0 = static_cast<unsigned char>(text[i]);
        uint32_t c = 0xFFFD;
        size_t len = 1;
        auto cont = [&](size_t k) {
            return i + k < text.size() && (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
        };
        auto at = [&](size_t k) { return static_cast<uint32_t>(static_cast<unsigned char>(text[i + k]) & 0x3F); };
        if (b0 < 0x80) {
            c = b0;
        } else if ((b0 & 0xE0) == 0xC0 && cont(1)) {
            c = ((b0 & 0x1Fu) << 6) | at(1);
            len = 2;
            if (c < 0x80) c = 0xFFFD;
        } else if ((b0 & 0xF0) == 0xE0 && cont(1) && cont(2)) {
            c = ((b0 & 0x0Fu) << 12) | (at(1) << 6) | at(2);
            len = 3;
            if (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
        } else if ((b0 & 0xF8) == 0xF0 && cont(1) && cont(2) && cont(3)) {
            c = ((b0 & 0x07u) << 18) | (at(1) << 12) | (at(2) << 6) | at(3);
            len = 4;
            if (c < 0x10000 || c > 0x10FFFF) c = 0xFFFD;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
        i += len;
    }
    return out;
}

double UnitsToMillimetres(int type) {
    switch (type) {
    case UNITS_INCHES: return 25.4;
    case UNITS_FEET: return 304.8;
    case UNITS_MILES: return 1609344.0;
    case UNITS_MILLIMETERS: return 1.0;
    case UNITS_CENTIMETERS: return 10.0;
    case UNITS_METERS: return 1000.0;
    case UNITS_KILOMETERS: return 1000000.0;
    default: return 0.0;
    }
}

Interface::Interface() {
    root_ = INode::MakeRoot();
    sceneRoot_ = new SceneRoot();
    mainWindow_.text = u"Main window";
}

Interface::~Interface() {
    ResetScene();
    delete sceneRoot_;
    delete root_;
}

Interface* GetCOREInterface() {
    static Interface ip;
    return &ip;
}

double GetMasterScale(int type) {
    int sysType;
    float scale;
    GetCOREInterface()->GetSystemUnitInfo(&sysType, &scale);
    const double to = UnitsToMillimetres(type);
    return to > 0.0 ? static_cast<double>(scale) * UnitsToMillimetres(sysType) / to : 0.0;
}

void Interface::SetTime(TimeValue t, BOOL) {
    if (t == time_) return;
    time_ = t;
    BroadcastNotification(NOTIFY_TIME_CHANGED, &time_);
}

INode* Interface::CreateObjectNode(Object* obj, const MCHAR* name) {
    auto* node = new INode();
    if (name) {
        node->SetName(name);
    } else if (obj) {
        MSTR n;
        obj->InitNodeName(n);
        node->SetName(n.empty() ? MSTR(u"Object") : n);
    }
    root_->AttachChild(node);
    if (obj) node->SetObjectRef(obj);
    return node;
}

std::vector<INode*> Interface::AllNodes() {
    std::vector<INode*> out;
    std::function<void(INode*)> walk = [&](INode* n) {
        for (int i = 0; i < n->NumberOfChildren(); ++i) {
            out.push_back(n->GetChildNode(i));
            walk(n->GetChildNode(i));
        }
    };
    walk(root_);
    return out;
}

INode* Interface::GetINodeByName(const MCHAR* name) {
    if (!name) return nullptr;
    for (INode* n : AllNodes())
        if (MSTR(n->GetName()) == name) return n;
    return nullptr;
}

void Interface::DeleteNode(INode* node, BOOL) {
    if (!node || node == root_) return;
    node->DeleteMe();
}

void Interface::AddToScene(ReferenceTarget* target) {
    if (!target) return;
    sceneRoot_->objects.push_back(nullptr);
    sceneRoot_->ReplaceReference(sceneRoot_->NumRefs() - 1, target);
}

int Interface::NumSceneObjects() const { return static_cast<int>(sceneRoot_->objects.size()); }

ReferenceTarget* Interface::GetSceneObject(int i) const {
    return i >= 0 && i < NumSceneObjects() ? sceneRoot_->objects[i] : nullptr;
}

void Interface::ResetScene() {
    BroadcastNotification(NOTIFY_SYSTEM_PRE_RESET);
    // Deepest nodes first, so no child is moved up while its parent goes.
    auto nodes = AllNodes();
    for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) (*it)->DeleteMe();
    sceneRoot_->DeleteAllRefsFromMe();
    sceneRoot_->objects.clear();
    time_ = 0;
    curFile_.clear();
    BroadcastNotification(NOTIFY_SYSTEM_POST_RESET);
}

bool Interface::CloneNodes(INodeTab& nodes, const Point3& offset, bool expandHierarchies, CloneType cloneType,
                           INodeTab* resultSource, INodeTab* resultTarget) {
    if (resultSource) resultSource->clear();
    if (resultTarget) resultTarget->clear();
    RemapDir remap;
    std::function<INode*(INode*, INode*)> cloneOne = [&](INode* source, INode* parent) -> INode* {
        auto* copy = new INode();
        copy->SetName(source->GetName());
        Matrix3 tm = source->GetNodeTM(time_);
        tm.SetTrans(tm.GetTrans() + offset);
        copy->SetNodeTM(time_, tm);
        copy->SetObjOffsetTM(source->GetObjOffsetTM());
        copy->SetWireColor(source->GetWireColor());
        copy->Hide(source->IsHidden());
        copy->SetRenderable(source->Renderable());
        (parent ? parent : root_)->AttachChild(copy);
        remap.AddEntry(source, copy);
        // An instance shares the object and its modifiers; a copy owns clones.
        const bool share = cloneType != NODE_COPY;
        Object* obj = source->GetObjectRef();
        copy->SetObjectRef(share ? obj : static_cast<Object*>(remap.CloneRef(obj)));
        for (int i = 0; i < source->NumModifiers(); ++i) {
            Modifier* mod = source->GetModifier(i);
            copy->AddModifier(share ? mod : static_cast<Modifier*>(remap.CloneRef(mod)));
        }
        copy->SetMtl(source->GetMtl());
        if (resultSource) resultSource->push_back(source);
        if (resultTarget) resultTarget->push_back(copy);
        if (expandHierarchies)
            for (int c = 0; c < source->NumberOfChildren(); ++c) cloneOne(source->GetChildNode(c), copy);
        return copy;
    };
    bool any = false;
    for (INode* n : nodes) {
        if (!n || n == root_) continue;
        INode* parent = n->GetParentNode();
        cloneOne(n, parent && !parent->IsRootNode() ? parent : nullptr);
        any = true;
    }
    remap.Backpatch();
    return any;
}

BOOL Interface::ProgressStart(const MCHAR* title, BOOL, ProgressFunction fn, void* arg) {
    // One bar at a time: a nested start continues the running one.
    if (!inProgress_) {
        inProgress_ = true;
        progressTitle_ = title ? title : u"";
        if (progressObserver_) progressObserver_({ProgressEvent::Start, progressTitle_, 0});
    }
    if (fn) fn(arg);
    return TRUE;
}

void Interface::ProgressUpdate(int percent, BOOL, const MCHAR* title) {
    if (!inProgress_) return;
    if (title) progressTitle_ = title;
    if (progressObserver_) progressObserver_({ProgressEvent::Update, progressTitle_, std::clamp(percent, 0, 100)});
}

void Interface::ProgressEnd() {
    if (!inProgress_) return;
    inProgress_ = false;
    if (progressObserver_) progressObserver_({ProgressEvent::End, progressTitle_, 100});
}

BOOL Interface::DoExclusionListDialog(ExclList* list, BOOL) {
    return list ? ExclusionDialogService::Get().Run(*list) : FALSE;
}

Texmap* Interface::GetEnvironmentMap() const { return sceneRoot_->env; }
void Interface::SetEnvironmentMap(Texmap* map) { sceneRoot_->ReplaceReference(SceneRoot::REF_ENV, map); }
Renderer* Interface::GetProductionRenderer() const { return sceneRoot_->renderer; }
void Interface::AssignCurRenderer(Renderer* renderer) {
    sceneRoot_->ReplaceReference(SceneRoot::REF_RENDERER, renderer);
}

void Interface::SetSystemUnitInfo(int type, float scale) {
    if (UnitsToMillimetres(type) <= 0.0 || !(scale > 0.0f)) return;
    if (type == unitType_ && scale == unitScale_) return;
    unitType_ = type;
    unitScale_ = scale;
    BroadcastNotification(NOTIFY_UNITS_CHANGE);
}

void Interface::GetSystemUnitInfo(int* type, float* scale) const {
    if (type) *type = unitType_;
    if (scale) *scale = unitScale_;
}

bool Interface::GetFullFilePath(MSTR& path, int) const {
    namespace fs = std::filesystem;
    if (path.empty()) return false;
    std::error_code ec;
    const fs::path p(ToUtf8(path));
    if (p.is_absolute() && fs::is_regular_file(p, ec)) return true;
    std::vector<fs::path> dirs;
    if (!curFile_.empty()) dirs.push_back(fs::path(ToUtf8(curFile_)).parent_path());
    for (const MSTR& d : searchPaths_) dirs.push_back(fs::path(ToUtf8(d)));
    for (const fs::path& d : dirs) {
        for (const fs::path& candidate : {d / p.relative_path(), d / p.filename()}) {
            if (fs::is_regular_file(candidate, ec)) {
                path = FromUtf8(fs::absolute(candidate, ec).lexically_normal().string());
                return true;
            }
        }
    }
    if (!p.is_absolute() && fs::is_regular_file(p, ec)) {
        path = FromUtf8(fs::absolute(p, ec).lexically_normal().string());
        return true;
    }
    return false;
}

bool Interface::SaveToFile(const MSTR& path, std::string& error) {
    BroadcastNotification(NOTIFY_FILE_PRE_SAVE);
    const bool ok = SceneFile::Save(*this, ToUtf8(path), error);
    if (ok) curFile_ = path;
    BroadcastNotification(NOTIFY_FILE_POST_SAVE);
    return ok;
}

bool Interface::LoadFromFile(const MSTR& path, std::string& error) {
    BroadcastNotification(NOTIFY_FILE_PRE_OPEN);
    const bool ok = SceneFile::Load(*this, ToUtf8(path), error);
    if (ok) curFile_ = path;
    BroadcastNotification(NOTIFY_FILE_POST_OPEN);
    return ok;
}

const MCHAR TEXMAP_CAT_2D[] = u"2D maps";
const MCHAR TEXMAP_CAT_3D[] = u"3D maps";
const MCHAR TEXMAP_CAT_COMP[] = u"Compositors";
const MCHAR TEXMAP_CAT_COLMOD[] = u"Color Mods";
const MCHAR TEXMAP_CAT_ENV[] = u"Environment";
