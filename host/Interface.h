// The core interface: the scene and the application state plug-ins reach
// through GetCOREInterface().
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/ClassDesc.h"
#include "host/Node.h"
#include "host/Notify.h"
#include "host/PickMode.h"

constexpr int UNITS_INCHES = 0;
constexpr int UNITS_FEET = 1;
constexpr int UNITS_MILES = 2;
constexpr int UNITS_MILLIMETERS = 3;
constexpr int UNITS_CENTIMETERS = 4;
constexpr int UNITS_METERS = 5;
constexpr int UNITS_KILOMETERS = 6;

// Millimetres in one unit of the given type, or 0 for an unknown type.
double UnitsToMillimetres(int type);

class SceneRoot;
class ExclList;

// How Interface::CloneNodes makes its nodes.
enum CloneType { NODE_COPY, NODE_INSTANCE, NODE_REFERENCE, NODE_NONE };
using INodeTab = std::vector<INode*>;

class Interface {
public:
    Interface();
    ~Interface();
    Interface(const Interface&) = delete;
    Interface& operator=(const Interface&) = delete;

    // Time.
    TimeValue GetTime() const { return time_; }
    void SetTime(TimeValue t, BOOL redraw = TRUE);

    // Scene.
    INode* GetRootNode() { return root_; }
    INode* CreateObjectNode(Object* obj, const MCHAR* name = nullptr);
    INode* GetINodeByName(const MCHAR* name);
    void DeleteNode(INode* node, BOOL redraw = TRUE);
    // Every node below the root, depth first.
    std::vector<INode*> AllNodes();
    // New nodes like the given ones, with `offset` added to their
    // positions, beside their originals. An instance
    // (or reference) shares the object and modifiers; a copy clones them.
    bool CloneNodes(INodeTab& nodes, const Point3& offset, bool expandHierarchies = true,
                    CloneType cloneType = NODE_COPY, INodeTab* resultSource = nullptr,
                    INodeTab* resultTarget = nullptr);
    // Objects the scene keeps without a node (a material library, say).
    void AddToScene(ReferenceTarget* target);
    int NumSceneObjects() const;
    ReferenceTarget* GetSceneObject(int i) const;
    void ResetScene();

    // Environment and rendering.
    Texmap* GetEnvironmentMap() const;
    void SetEnvironmentMap(Texmap* map);
    Renderer* GetProductionRenderer() const;
    void AssignCurRenderer(Renderer* renderer);
    int GetRendWidth() const { return rendWidth_; }
    int GetRendHeight() const { return rendHeight_; }
    void SetRendWidth(int w) { rendWidth_ = w; }
    void SetRendHeight(int h) { rendHeight_ = h; }

    // Units: one system unit is `scale` units of `type`.
    void SetSystemUnitInfo(int type, float scale);
    void GetSystemUnitInfo(int* type, float* scale) const;

    // Quiet mode: no dialog waits for a user.
    BOOL GetQuietMode() const { return quiet_; }
    void SetQuietMode(BOOL on) { quiet_ = on; }
    HWND GetMAXHWnd() { return &mainWindow_; }
    // The include/exclude dialog on a list; TRUE when the user pressed OK and
    // the list holds the answer (host/ExclList.h).
    BOOL DoExclusionListDialog(ExclList* list, BOOL doShadows = TRUE);

    // Progress of a long operation: the host shows a bar between
    // ProgressStart and ProgressEnd. `fn`, when given, is called once with
    // `arg` at the start. The observer (e.g. a terminal's bar) sees each call.
    struct ProgressEvent {
        enum Kind { Start, Update, End } kind;
        MSTR title;
        int percent = 0;
    };
    using ProgressFunction = DWORD (*)(void*);
    BOOL ProgressStart(const MCHAR* title, BOOL dispBar, ProgressFunction fn, void* arg);
    void ProgressUpdate(int percent, BOOL showPercent = TRUE, const MCHAR* title = nullptr);
    void ProgressEnd();
    void SetProgressObserver(std::function<void(const ProgressEvent&)> observer) {
        progressObserver_ = std::move(observer);
    }

    // Viewports.
    ViewExp& GetActiveViewExp() { return viewport_; }
    void RedrawViews(TimeValue) { ++redraws_; }
    int RedrawCount() const { return redraws_; }

    // Pick mode: one callback at a time; a new one ends the previous mode.
    void SetPickMode(PickModeCallback* cb) {
        if (pickMode_ == cb) return;
        ClearPickMode();
        pickMode_ = cb;
        if (cb) cb->EnterMode(this);
    }
    void ClearPickMode() {
        PickModeCallback* cb = pickMode_;
        pickMode_ = nullptr;
        if (cb) cb->ExitMode(this);
    }
    PickModeCallback* GetCurPickMode() const { return pickMode_; }
    // The user clicks a node while a pick mode is on. FALSE when no mode is
    // on or the callback's filter refuses the node.
    BOOL PickNode(INode* node) {
        PickModeCallback* cb = pickMode_;
        if (!cb || !node || !cb->Filter(node)) return FALSE;
        if (cb->Pick(this, node) && pickMode_ == cb) ClearPickMode();
        return TRUE;
    }

    // File resolution: an absolute path that exists stays; a relative one, or
    // one whose folder is gone, is looked up by name in the scene's folder
    // and the search paths in order. False when nothing is found.
    void AddSearchPath(const MSTR& dir) { searchPaths_.push_back(dir); }
    void ClearSearchPaths() { searchPaths_.clear(); }
    bool GetFullFilePath(MSTR& path, int assetType = 0) const;
    const MSTR& GetCurFilePath() const { return curFile_; }

    // Scene files.
    bool SaveToFile(const MSTR& path, std::string& error);
    bool LoadFromFile(const MSTR& path, std::string& error);

    void* CreateInstance(SClass_ID sclass, Class_ID cid) {
        return ClassDirectory::Get().CreateInstance(sclass, cid);
    }

private:
    friend class SceneFile;
    TimeValue time_ = 0;
    INode* root_ = nullptr;
    SceneRoot* sceneRoot_ = nullptr;
    int rendWidth_ = 640, rendHeight_ = 480;
    int unitType_ = UNITS_INCHES;
    float unitScale_ = 1.0f;
    BOOL quiet_ = FALSE;
    HostWindow mainWindow_;
    ViewExp viewport_;
    int redraws_ = 0;
    std::vector<MSTR> searchPaths_;
    MSTR curFile_;
    PickModeCallback* pickMode_ = nullptr;
    bool inProgress_ = false;
    MSTR progressTitle_;
    std::function<void(const ProgressEvent&)> progressObserver_;
};



Interface* GetCOREInterface();

// How many units of `type` one system unit is.
double GetMasterScale(int type);

// The scene file of this host: every object stored by super-class and
// Class_ID with its chunks, its references and its parameter blocks.
class SceneFile {
public:
    static bool Save(Interface& ip, const std::string& path, std::string& error);
    static bool Load(Interface& ip, const std::string& path, std::string& error);
    // Loads from memory; used by Load and by the fuzz target.
    static bool LoadBytes(Interface& ip, const uint8_t* data, size_t size, std::string& error);

    // A summary of a stored file, for tests and tools.
    struct ObjectInfo {
        int kind;  // 0 object, 1 parameter block, 2 node
        SClass_ID sclass;
        Class_ID cid;
        std::vector<int> refs;
        std::vector<USHORT> topChunks;
    };
    static bool Inspect(const std::string& path, std::vector<ObjectInfo>& objects, std::string& error);
};
