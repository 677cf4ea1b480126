#pragma once

#include <functional>

#include "PluginTemplate.h"
#include "Proxy/ioFormats/FileFormats.h"
#include "core-interface/Stack.h"

namespace Nimbal {

class Proxy;
class ProxyPostLoad;

struct ProxyTraits {
    using Base = GeomObject;
    using Final = Proxy;
    static constexpr SClass_ID SUPER_CLASS_ID = GEOMOBJECT_CLASS_ID;
    static ClassDesc2* classDesc();
};

// Parameter ids of "NimbalProxyPb".
enum ProxyParam : ParamID {
    proxy_filename = 0,
    proxy_cacheInRam = 1,
    proxy_previzType = 2,
    proxy_pointcloudDensity = 3,
    proxy_viewportIconSize = 4,
};

// Viewport display modes ("previzType").
enum ProxyPreviz : int {
    PREVIZ_SOLID_BOX = 0,
    PREVIZ_WIRE_BOX = 1,
    PREVIZ_POINT_CLOUD = 2,
    PREVIZ_FULL_MESH = 3,
};

// What became of the proxy's file. Kept as a signed 32-bit number; a value
// other than these is a programming error wherever it is examined.
enum ProxyStatus : int32_t {
    PROXY_PARSE_ERROR = -2,  // the format could not read the file
    PROXY_NOT_FOUND = -1,    // the name resolves to no file; retried on the next query
    PROXY_NONE = 0,          // no file name
    PROXY_ON_DISK = 1,       // loaded, mesh not kept in memory
    PROXY_IN_RAM = 2,        // loaded and kept in memory
};

// The loaded file.
struct ProxyData {
    Mesh mesh;  // the loaded mesh while it is kept in memory; empty otherwise
    bool cacheInRam = true;
    String resolvedPath;  // after the host's file resolution
    String fileName;      // as given
    ProxyStatus status = PROXY_NONE;
    int32_t vertexCount = 0;
    int32_t faceCount = 0;
    Point3 boxMin, boxMax;  // scene units
    ProxyFileInfo info;

    ProxyData() { reset(); }

    // No file: status 0, no counts, an empty box, mesh and names; caching on.
    void reset();
    // Resolves and reads the file; the mesh stays in memory when keepInRam.
    void load(const String& name, bool keepInRam);
    // Reads the resolved file into `target` (the format chosen again), with
    // the time it took in the debug log. False when it cannot be read.
    bool readMesh(Mesh& target) const;
    bool isLoaded() const { return status == PROXY_ON_DISK || status == PROXY_IN_RAM; }
    String statusText() const;
};

// "1,234,567".
String groupThousands(int64_t value);

class Proxy final : public PluginTemplate<ProxyTraits>, public IObjectDisplay2 {
public:
    Proxy();
    ~Proxy() override;

    // Host object.
    const MCHAR* GetObjectName() override { return u"NimbalProxy"; }
    void InitNodeName(MSTR& s) override { s = u"Nimbal Proxy"; }
    Interval ObjectValidity(TimeValue t) override { return validity(t); }
    // The caller deletes the mesh when needDelete comes back set.
    Mesh* GetRenderMesh(TimeValue t, INode* node, View& view, BOOL& needDelete) override;
    int CanConvertToType(Class_ID id) override;
    ::Object* ConvertToType(TimeValue t, Class_ID id) override;
    void GetLocalBoundBox(TimeValue t, INode* node, ViewExp* vpt, Box3& box) override;
    void GetDeformBBox(TimeValue t, Box3& box, Matrix3* tm = nullptr, BOOL useSel = FALSE) override;
    BOOL PolygonCount(TimeValue t, int& numFaces, int& numVerts) override;
    void ShallowCopy(::Object*, ULONG) override { NIMBAL_STOP(); }
    void EnumAuxFiles(AssetEnumCallback& callback, DWORD flags) override;
    int Display(TimeValue t, INode* node, ViewExp* vpt, int flags) override;
    // Over what Display draws in the current display mode.
    int HitTest(TimeValue t, INode* node, int type, int crossing, int flags, IPoint2* p, ViewExp* vpt) override;
    IOResult Load(ILoad* iload) override;
    BaseInterface* GetInterface(Interface_ID id) override;

    // The newer viewport path.
    unsigned long GetObjectDisplayRequirement() const override { return ObjectDisplayRequireLegacyDisplayMode; }
    bool PrepareDisplay(const UpdateDisplayContext& context) override;
    bool UpdatePerNodeItems(const UpdateDisplayContext& context, UpdateNodeContext& nodeContext,
                            IRenderItemContainer& target) override;

    // A clone reads its file as the original did.
    void copyFrom(const Proxy& source) override;

    // Retries a file that was not found.
    void ensureLoaded();
    const ProxyData& getData() const { return data; }
    String statusText() const { return data.statusText(); }
    // The preview cloud, built from the in-memory mesh when first needed.
    const Stack<Point3>& getPointCloud();

    // Writes the node's mesh to `fileName` as a ".nproxy" file and puts this
    // proxy in place of the node's object in every node that uses it. Reports
    // failures to the user; false when nothing was made.
    bool createFromNode(INode* node, const String& fileName);

    // What the parameter accessors do.
    void fileNameChanged(const String& name);
    void cacheInRamChanged(bool keepInRam);
    // Sets "filename" and "cacheInRam" again, which reloads the file.
    void reapplyParameters();
    void onUnitsChange();

private:
    friend class ProxyPostLoad;

    void afterLoad();
    void buildPointCloud();
    // What Display shows and HitTest picks.
    void draw(TimeValue t, INode* node, GraphicsWindow* gw);
    void refreshRollout();
    int displayMode();
    Box3 iconBox();

    Stack<Point3> pointCloud;
    Point3 boxMin, boxMax;
    Mesh boxMesh;
    ProxyData data;
    bool displayDirty = true;
    ProxyPostLoad* pendingPostLoad = nullptr;
};

// The result of converting a directory tree of older proxies.
struct ProxyConversionReport {
    int converted = 0;
    int failed = 0;
    String failures;  // "Cannot load: " or "Cannot save: " lines
    // The text of the "Conversion result" message.
    String text() const;
};

// Converts every ".nbin", ".nmesh", ".obj" and ".nzmesh" file under root to a
// ".nproxy" file beside it. `progress` (optional) hears (done, total) after
// each candidate file.
ProxyConversionReport convertProxiesInDirectory(const String& root,
                                                const std::function<void(int, int)>& progress = {});

// The class's descriptor, as the registry hands it to the host.
ClassDescCommon* proxyClassDesc();

}  // namespace Nimbal
