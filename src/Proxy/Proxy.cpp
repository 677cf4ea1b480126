#include "Proxy/Proxy.h"

#include <ctime>
#include <limits>
#include <memory>

#include "Proxy/ProxyUi.h"
#include "Resources.h"
#include "ViewportDraw.h"
#include "core-interface/Debug.h"

namespace Nimbal {

namespace {
constexpr double INF = std::numeric_limits<double>::infinity();

enum : int {
    IDS_PROXY_PB = 11000,
    IDS_PROXY_ROLLOUT_0 = 11001,
    IDS_FILENAME = 11010,
    IDS_CACHE_IN_RAM,
    IDS_VIEWPORT_VISUALIZATION_METHOD,
    IDS_POINT_CLOUD_DISPLAYED,
    IDS_VIEWPORT_ICON_SIZE,
    IDS_FILENAME_TOOLTIP,
    IDS_CACHE_IN_RAM_TOOLTIP,
    IDS_SOLID_BOUNDING_BOX,
    IDS_WIRE_BOUNDING_BOX,
    IDS_POINT_CLOUD,
    IDS_FULL_MESH,
    IDS_PROXY_FILE_FILTER,
    IDS_PICK_TOOLTIP,
    IDS_CONVERT_DIRECTORY_TOOLTIP,
};

const StringTable strings{
    {IDS_PROXY_PB, "Proxy paramblock"},
    {IDS_PROXY_ROLLOUT_0, "Nimbal Proxy"},
    {IDS_FILENAME, "filename"},
    {IDS_CACHE_IN_RAM, "cacheInRam"},
    {IDS_VIEWPORT_VISUALIZATION_METHOD, "viewportVisualizationMethod"},
    {IDS_POINT_CLOUD_DISPLAYED, "pointCloudDisplayed"},
    {IDS_VIEWPORT_ICON_SIZE, "viewportIconSize"},
    {IDS_FILENAME_TOOLTIP, "Loads an existing proxy object from a file"},
    {IDS_CACHE_IN_RAM_TOOLTIP,
     "Do not flush the model from RAM between renders. Increases scene parsing speed and memory consumption when "
     "enabled."},
    {IDS_SOLID_BOUNDING_BOX, "Solid bounding box"},
    {IDS_WIRE_BOUNDING_BOX, "Wire bounding box"},
    {IDS_POINT_CLOUD, "Point cloud"},
    {IDS_FULL_MESH, "Full mesh"},
    {IDS_PROXY_FILE_FILTER,
     "All formats (*.nproxy, *.obj, *.nmesh, *.nbin, *.nzmesh)|*.obj;*.nmesh;*.nbin;*.nzmesh;*.nproxy|"},
    {IDS_PICK_TOOLTIP, "Creates a new proxy from an object picked from the scene."},
    {IDS_CONVERT_DIRECTORY_TOOLTIP,
     "Prompts for a directory, and converts all proxies in that directory, and in its subdirectories, to the latest "
     "Nimbal format (.nproxy). Original proxy files are preserved."},
};

const DialogTable dialogs{
    {PROXY_DIALOG, "Nimbal Proxy",
     {{IDC_FILENAME, "button", "[Load proxy file...]"},
      {IDC_CACHE_IN_RAM, "check", "Cache in RAM"},
      {IDC_PREVIZ_SOLID_BOX, "radio", "Solid bounding box"},
      {IDC_PREVIZ_WIRE_BOX, "radio", "Wire bounding box"},
      {IDC_PREVIZ_POINT_CLOUD, "radio", "Point cloud"},
      {IDC_PREVIZ_FULL_MESH, "radio", "Full mesh"},
      {IDC_DENSITY, "spinner", "Point cloud displayed:"},
      {IDC_ICON_SIZE, "spinner", "Viewport icon size:"},
      {IDC_PICK_FROM_SCENE, "button", "Create from scene object"},
      {IDC_CONVERT_DIRECTORY, "button", "Convert proxies in directory..."},
      {IDC_STATUS, "label", "[No proxy loaded]"}}},
};

class ProxyCd : public ClassDescCommon {
public:
    ProxyCd() : ClassDescCommon("Nimbal", "NProxy", GEOMOBJECT_CLASS_ID, Class_ID(0x2B0264BC, 0x05EC07F5)) {}
    void* Create(BOOL) override { return new (std::nothrow) Proxy(); }
};

ProxyCd proxyCd;
ProxyPBAccessor proxyAccessor;
ProxyDlgProc proxyDlgProc;

ParamBlockDesc2 proxyPbDesc(
    BlockDesc{0, "NimbalProxyPb", IDS_PROXY_PB, &proxyCd, P_AUTO_CONSTRUCT | P_AUTO_UI | P_VERSION, 548, 0,
             {
             RolloutDesc{0, PROXY_DIALOG, IDS_PROXY_ROLLOUT_0, 0, &proxyDlgProc}
             }},
    {
        // Asset number 7 is how the host's asset tracking knows a proxy file.
        {.id = 0, .name = "filename", .type = TYPE_FILENAME, .def = "", .ui = {TYPE_FILEOPENBUTTON, {IDC_FILENAME}},
         .localName = IDS_FILENAME, .tooltip = IDS_FILENAME_TOOLTIP, .fileTypes = IDS_PROXY_FILE_FILTER, .assetType = 7,
         .accessor = &proxyAccessor},
        {.id = 1, .name = "cacheInRam", .type = TYPE_BOOL, .def = true, .ui = {TYPE_SINGLECHECKBOX, {IDC_CACHE_IN_RAM}},
         .localName = IDS_CACHE_IN_RAM, .tooltip = IDS_CACHE_IN_RAM_TOOLTIP, .accessor = &proxyAccessor},
        {.id = 2, .name = "previzType", .type = TYPE_INT, .def = 1, .range = ParamRange{0, 3},
         .ui = {TYPE_RADIO, {IDC_PREVIZ_SOLID_BOX, IDC_PREVIZ_WIRE_BOX, IDC_PREVIZ_POINT_CLOUD, IDC_PREVIZ_FULL_MESH}, 0.0f,
                {{IDS_SOLID_BOUNDING_BOX, 0}, {IDS_WIRE_BOUNDING_BOX, 1}, {IDS_POINT_CLOUD, 2}, {IDS_FULL_MESH, 3}}},
         .localName = IDS_VIEWPORT_VISUALIZATION_METHOD, .accessor = &proxyAccessor},
        // Stored as a fraction of the cloud; older blocks stored a percentage.
        {.id = 3, .name = "pointcloudDensity", .type = TYPE_FLOAT, .def = 0.05f, .range = ParamRange{0, 100},
         .ui = {TYPE_SPINNER, {IDC_DENSITY, IDC_DENSITY_SPIN}, 0.1f}, .localName = IDS_POINT_CLOUD_DISPLAYED,
         .dim = DIM_PERCENT, .accessor = &proxyAccessor},
        {.id = 4, .name = "viewportIconSize", .type = TYPE_FLOAT, .def = 1.0f, .range = ParamRange{0.001, INF},
         .ui = {TYPE_SPINNER, {IDC_ICON_SIZE, IDC_ICON_SIZE_SPIN}, 0.1f}, .localName = IDS_VIEWPORT_ICON_SIZE,
         .accessor = &proxyAccessor},
    });

// Published after the block, as the host expects of a class's descriptors.
ProxyFpImp proxyFp(&proxyCd);
}  // namespace

ClassDesc2* ProxyTraits::classDesc() { return &proxyCd; }
ClassDescCommon* proxyClassDesc() { return &proxyCd; }

// Converts "pointcloudDensity" saved as a percentage by older blocks, and
// loads the file the block names: a loaded block holds its values without
// having run the accessors.
class ProxyPostLoad : public PostLoadCallback {
public:
    explicit ProxyPostLoad(Proxy* proxy) : proxy_(proxy) {}

    void proc(ILoad*) override {
        if (Proxy* proxy = proxy_) {
            proxy->pendingPostLoad = nullptr;
            if (IParamBlock2* pb = proxy->pblock) {
                auto* info = static_cast<IParamBlock2PostLoadInfo*>(pb->GetInterface(IPARAMBLOCK2POSTLOADINFO_ID));
                if (info && info->GetVersion() != static_cast<DWORD>(pb->GetVersion()))
                    pb->SetValue(proxy_pointcloudDensity, 0, pb->GetFloat(proxy_pointcloudDensity) / 100.0f);
                proxy->reapplyParameters();
            }
        }
        delete this;
    }

    void Abandon() override {
        if (proxy_) proxy_->pendingPostLoad = nullptr;
        delete this;
    }

    void forget() { proxy_ = nullptr; }

private:
    Proxy* proxy_;
};

namespace {
void unitsChanged(void* param, NotifyInfo*) { static_cast<Proxy*>(param)->onUnitsChange(); }
}  // namespace

Proxy::Proxy() {
    boxMin = data.boxMin;
    boxMax = data.boxMax;
    RegisterNotification(unitsChanged, this, NOTIFY_UNITS_CHANGE);
}

Proxy::~Proxy() {
    UnRegisterNotification(unitsChanged, this, NOTIFY_UNITS_CHANGE);
    if (pendingPostLoad) pendingPostLoad->forget();
    ProxyDlgProc::forgetProxy(this);
}

void Proxy::copyFrom(const Proxy&) { reapplyParameters(); }

IOResult Proxy::Load(ILoad* iload) {
    displayDirty = false;
    auto* callback = new ProxyPostLoad(this);
    if (pendingPostLoad) pendingPostLoad->forget();
    pendingPostLoad = callback;
    iload->RegisterPostLoadCallback(callback);
    return PluginTemplate::Load(iload);
}

BaseInterface* Proxy::GetInterface(Interface_ID id) {
    if (id == IOBJECT_DISPLAY2_INTERFACE_ID) return static_cast<IObjectDisplay2*>(this);
    return PluginTemplate::GetInterface(id);
}

// ---------------------------------------------------------------------------
// Loading and caching

void Proxy::ensureLoaded() {
    if (data.status != PROXY_NOT_FOUND) return;
    data.load(String(data.fileName), data.cacheInRam);
    afterLoad();
}

// The viewport box follows the data; the cloud is rebuilt from the new mesh.
void Proxy::afterLoad() {
    pointCloud.clear();
    if (!data.isLoaded()) return;
    boxMin = data.boxMin;
    boxMax = data.boxMax;
    boxMesh = Mesh();
    buildBoxMesh(boxMesh, boxMin, boxMax);
}

void Proxy::fileNameChanged(const String& name) {
    // The caching parameter decides from the start, so a proxy set up not to
    // keep its mesh never holds it after the first read.
    const bool keep = pblock ? pblock->GetInt(proxy_cacheInRam) != 0 : true;
    data.load(name, keep);
    if (data.status == PROXY_NOT_FOUND) data.load(String(data.fileName), keep);
    afterLoad();
    refreshRollout();
}

void Proxy::cacheInRamChanged(bool keepInRam) {
    data.cacheInRam = keepInRam;
    ensureLoaded();
    if (data.isLoaded()) {
        if (!keepInRam && data.status == PROXY_IN_RAM) {
            data.mesh = Mesh();
            data.status = PROXY_ON_DISK;
        } else if (keepInRam && data.status == PROXY_ON_DISK) {
            const String name = data.fileName;
            const String resolved = data.resolvedPath;
            data.load(resolved, true);
            data.fileName = name;
            afterLoad();
        }
    }
    refreshRollout();
}

void Proxy::reapplyParameters() {
    if (!pblock) return;
    const MCHAR* stored = pblock->GetStr(proxy_filename);
    const MSTR name = stored ? stored : u"";
    pblock->SetValue(proxy_filename, 0, name.c_str());
    pblock->SetValue(proxy_cacheInRam, 0, pblock->GetInt(proxy_cacheInRam));
}

void Proxy::onUnitsChange() {
    DEBUG_PRINT(String("Proxy::OnUnitsChange"));
    pointCloud.clear();
    data.reset();
    reapplyParameters();
}

void Proxy::refreshRollout() {
    if (pblock) proxyCd.InvalidateUI(pblock->GetDesc());
}

int Proxy::displayMode() {
    const int mode = pblock ? pblock->GetInt(proxy_previzType) : PREVIZ_WIRE_BOX;
    if (mode < PREVIZ_SOLID_BOX || mode > PREVIZ_FULL_MESH) NIMBAL_STOP();
    return mode;
}

// ---------------------------------------------------------------------------
// What renderers and the host ask

Mesh* Proxy::GetRenderMesh(TimeValue, INode*, View&, BOOL& needDelete) {
    needDelete = FALSE;
    ensureLoaded();
    switch (data.status) {
    case PROXY_PARSE_ERROR:
    case PROXY_NOT_FOUND:
    case PROXY_NONE: return nullptr;
    case PROXY_IN_RAM: return &data.mesh;
    case PROXY_ON_DISK: {
        const std::clock_t start = std::clock();
        auto mesh = std::make_unique<Mesh>();
        if (!data.readMesh(*mesh)) return nullptr;
        const double ms = 1000.0 * static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
        DEBUG_PRINT(String("PROXY: loading from HDD. Elapsed: ") + static_cast<int>(ms) + "ms.");
        needDelete = TRUE;
        return mesh.release();
    }
    }
    NIMBAL_STOP();
}

int Proxy::CanConvertToType(Class_ID id) { return id == TRIOBJ_CLASS_ID; }

::Object* Proxy::ConvertToType(TimeValue, Class_ID id) {
    ensureLoaded();
    Mesh mesh;
    switch (data.status) {
    case PROXY_PARSE_ERROR:
    case PROXY_NOT_FOUND:
    case PROXY_NONE: break;
    case PROXY_IN_RAM: mesh = data.mesh; break;
    case PROXY_ON_DISK:
        if (!data.readMesh(mesh)) mesh = Mesh();
        break;
    default: NIMBAL_STOP();
    }
    if (id == TRIOBJ_CLASS_ID) {
        TriObject* tri = CreateNewTriObject();
        tri->mesh = std::move(mesh);
        return tri;
    }
    auto* poly = new PolyObject();
    poly->mm = std::move(mesh);
    return poly;
}

void Proxy::GetLocalBoundBox(TimeValue, INode*, ViewExp*, Box3& box) {
    ensureLoaded();
    if (data.isLoaded()) box = Box3(data.boxMin, data.boxMax);
    else box = iconBox();
}

void Proxy::GetDeformBBox(TimeValue t, Box3& box, Matrix3* tm, BOOL) {
    GetLocalBoundBox(t, nullptr, nullptr, box);
    if (tm && !box.IsEmpty()) box = box * (*tm);
}

BOOL Proxy::PolygonCount(TimeValue, int& numFaces, int& numVerts) {
    ensureLoaded();
    numFaces = 0;
    numVerts = 8;
    if (!data.isLoaded()) return TRUE;
    switch (displayMode()) {
    case PREVIZ_SOLID_BOX: numFaces = 12; break;
    case PREVIZ_WIRE_BOX: break;
    case PREVIZ_POINT_CLOUD: numVerts = getPointCloud().size(); break;
    case PREVIZ_FULL_MESH:
        numFaces = data.faceCount;
        numVerts = data.vertexCount;
        break;
    }
    return TRUE;
}

namespace {
// Lets the host's asset tracking see and re-path the proxy file.
class ProxyAssetAccessor : public IAssetAccessor {
public:
    explicit ProxyAssetAccessor(Proxy* proxy) : proxy_(proxy) {}
    int GetAssetType() const override { return 7; }
    AssetUser GetAsset() const override {
        const MCHAR* name = proxy_->pblock->GetStr(proxy_filename);
        return AssetUser(name ? name : u"", 7);
    }
    bool SetAsset(const AssetUser& asset) override {
        return proxy_->pblock->SetValue(proxy_filename, 0, asset.GetFileName().c_str()) != FALSE;
    }

private:
    Proxy* proxy_;
};
}  // namespace

void Proxy::EnumAuxFiles(AssetEnumCallback& callback, DWORD flags) {
    if (!pblock) return;
    ProxyAssetAccessor accessor(this);
    if (accessor.GetAsset().GetFileName().empty()) return;
    auto* declare = dynamic_cast<IEnumAuxAssetsCallback*>(&callback);
    if ((flags & FILE_ENUM_ACCESSOR_INTERFACE) && declare) declare->DeclareAsset(accessor);
    else callback.RecordAsset(accessor.GetAsset());
}

// ---------------------------------------------------------------------------
// Parameter accessor

void ProxyPBAccessor::Set(PB2Value& v, ReferenceMaker* owner, ParamID id, int, TimeValue t) {
    auto* proxy = dynamic_cast<Proxy*>(owner);
    if (!proxy) return;
    switch (id) {
    case proxy_filename: proxy->fileNameChanged(String(v.s.c_str())); break;
    case proxy_cacheInRam: proxy->cacheInRamChanged(v.i != 0); break;
    case proxy_previzType:
        // The point cloud and the full mesh are drawn from the mesh in memory.
        if ((v.i == PREVIZ_POINT_CLOUD || v.i == PREVIZ_FULL_MESH) && proxy->pblock)
            proxy->pblock->SetValue(proxy_cacheInRam, t, TRUE);
        break;
    default: break;
    }
}

void ProxyPBAccessor::Get(PB2Value& v, ReferenceMaker* owner, ParamID id, int, TimeValue t, Interval&) {
    if (id != proxy_cacheInRam) return;
    auto* proxy = dynamic_cast<Proxy*>(owner);
    if (!proxy || !proxy->pblock) return;
    const int mode = proxy->pblock->GetInt(proxy_previzType, t);
    if (mode == PREVIZ_POINT_CLOUD || mode == PREVIZ_FULL_MESH) v.i = 1;
}

}  // namespace Nimbal
