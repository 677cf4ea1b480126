#include "Proxy/Proxy.h"

#include <limits>

#include "Resources.h"

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

// Control ids of the rollout's dialog template.
enum : int {
    IDC_FILENAME = 1001,
    IDC_CACHE_IN_RAM,
    IDC_PREVIZ_SOLID_BOX,
    IDC_PREVIZ_WIRE_BOX,
    IDC_PREVIZ_POINT_CLOUD,
    IDC_PREVIZ_FULL_MESH,
    IDC_DENSITY,
    IDC_DENSITY_SPIN,
    IDC_ICON_SIZE,
    IDC_ICON_SIZE_SPIN,
    IDC_PICK_FROM_SCENE,
    IDC_CONVERT_DIRECTORY,
    IDC_STATUS,
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
    {1712, "Nimbal Proxy",
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

ParamBlockDesc2 proxyPbDesc(
    BlockDesc{0, "NimbalProxyPb", IDS_PROXY_PB, &proxyCd, P_AUTO_CONSTRUCT | P_AUTO_UI | P_VERSION, 548, 0,
             {
             RolloutDesc{0, 1712, IDS_PROXY_ROLLOUT_0, 0, nullptr}
             }},
    {
        // Asset number 7 is how the host's asset tracking knows a proxy file.
        {.id = 0, .name = "filename", .type = TYPE_FILENAME, .def = "", .ui = {TYPE_FILEOPENBUTTON, {IDC_FILENAME}},
         .localName = IDS_FILENAME, .tooltip = IDS_FILENAME_TOOLTIP, .fileTypes = IDS_PROXY_FILE_FILTER, .assetType = 7},
        {.id = 1, .name = "cacheInRam", .type = TYPE_BOOL, .def = true, .ui = {TYPE_SINGLECHECKBOX, {IDC_CACHE_IN_RAM}},
         .localName = IDS_CACHE_IN_RAM, .tooltip = IDS_CACHE_IN_RAM_TOOLTIP},
        {.id = 2, .name = "previzType", .type = TYPE_INT, .def = 1, .range = ParamRange{0, 3},
         .ui = {TYPE_RADIO, {IDC_PREVIZ_SOLID_BOX, IDC_PREVIZ_WIRE_BOX, IDC_PREVIZ_POINT_CLOUD, IDC_PREVIZ_FULL_MESH}, 0.0f,
                {{IDS_SOLID_BOUNDING_BOX, 0}, {IDS_WIRE_BOUNDING_BOX, 1}, {IDS_POINT_CLOUD, 2}, {IDS_FULL_MESH, 3}}},
         .localName = IDS_VIEWPORT_VISUALIZATION_METHOD},
        // Stored as a fraction of the cloud; older blocks stored a percentage.
        {.id = 3, .name = "pointcloudDensity", .type = TYPE_FLOAT, .def = 0.05f, .range = ParamRange{0, 100},
         .ui = {TYPE_SPINNER, {IDC_DENSITY, IDC_DENSITY_SPIN}, 0.1f}, .localName = IDS_POINT_CLOUD_DISPLAYED,
         .dim = DIM_PERCENT},
        {.id = 4, .name = "viewportIconSize", .type = TYPE_FLOAT, .def = 1.0f, .range = ParamRange{0.001, INF},
         .ui = {TYPE_SPINNER, {IDC_ICON_SIZE, IDC_ICON_SIZE_SPIN}, 0.1f}, .localName = IDS_VIEWPORT_ICON_SIZE},
    });
}  // namespace

ClassDesc2* ProxyTraits::classDesc() { return &proxyCd; }
ClassDescCommon* proxyClassDesc() { return &proxyCd; }

Proxy::Proxy() = default;

}  // namespace Nimbal
