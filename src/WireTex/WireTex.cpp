#include "WireTex/WireTex.h"

#include <limits>

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_WIRETEX_PB = 13000,
    IDS_WIRETEX_ROLLOUT_0 = 13001,
    IDS_BASE_COLOR = 13010,
    IDS_EDGE_COLOR,
    IDS_VERTEX_COLOR,
    IDS_WIDTH_MODE,
    IDS_ALL_EDGES,
    IDS_ALL_EDGES_TIP,
    IDS_EDGES_ON,
    IDS_VERTICES_ON,
    IDS_EDGE_WIDTH_PIXELS,
    IDS_EDGE_WIDTH_WORLD,
    IDS_VERTEX_WIDTH_PIXELS,
    IDS_VERTEX_WIDTH_WORLD,
    IDS_BASE_TEXMAP,
    IDS_BASE_MAP_ON,
    IDS_WIDTH_IN_PIXELS,
    IDS_WIDTH_IN_WORLD_UNITS,
};

// Control ids of dialog template 1506.
enum : int {
    IDC_BASE_COLOR = 1001,
    IDC_EDGE_COLOR,
    IDC_VERTEX_COLOR,
    IDC_WIDTH_PIXELS,
    IDC_WIDTH_WORLD,
    IDC_ALL_EDGES,
    IDC_EDGES_ON,
    IDC_VERTICES_ON,
    IDC_EDGE_WIDTH_PIXELS,
    IDC_EDGE_WIDTH_PIXELS_SPIN,
    IDC_EDGE_WIDTH_WORLD,
    IDC_EDGE_WIDTH_WORLD_SPIN,
    IDC_VERTEX_WIDTH_PIXELS,
    IDC_VERTEX_WIDTH_PIXELS_SPIN,
    IDC_VERTEX_WIDTH_WORLD,
    IDC_VERTEX_WIDTH_WORLD_SPIN,
    IDC_BASE_MAP,
    IDC_BASE_MAP_ON,
};

const StringTable strings{
    {IDS_WIRETEX_PB, "Wire tex paramblock"},
    {IDS_WIRETEX_ROLLOUT_0, "Nimbal Wire Texmap"},
    {IDS_BASE_COLOR, "baseColor"},
    {IDS_EDGE_COLOR, "edgeColor"},
    {IDS_VERTEX_COLOR, "vertexColor"},
    {IDS_WIDTH_MODE, "widthMode"},
    {IDS_ALL_EDGES, "allEdges"},
    {IDS_ALL_EDGES_TIP, "Shows all edges, including the hidden triangle edges"},
    {IDS_EDGES_ON, "edgesOn"},
    {IDS_VERTICES_ON, "verticesOn"},
    {IDS_EDGE_WIDTH_PIXELS, "edgesWidthPixels"},
    {IDS_EDGE_WIDTH_WORLD, "edgesWidthWorldUnits"},
    {IDS_VERTEX_WIDTH_PIXELS, "vertexWidthPixels"},
    {IDS_VERTEX_WIDTH_WORLD, "vertexWidthWorldUnits"},
    {IDS_BASE_TEXMAP, "baseTexmap"},
    {IDS_BASE_MAP_ON, "baseMapOn"},
    {IDS_WIDTH_IN_PIXELS, "Width in pixels"},
    {IDS_WIDTH_IN_WORLD_UNITS, "Width in world units"},
};

const DialogTable dialogs{
    {1506, "Nimbal Wire Texmap",
     {{IDC_BASE_COLOR, "color", "baseColor"},
      {IDC_BASE_MAP, "map", "baseTexmap"},
      {IDC_BASE_MAP_ON, "check", ""},
      {IDC_EDGES_ON, "check", "edgesOn"},
      {IDC_EDGE_COLOR, "color", "edgeColor"},
      {IDC_ALL_EDGES, "check", "allEdges"},
      {IDC_VERTICES_ON, "check", "verticesOn"},
      {IDC_VERTEX_COLOR, "color", "vertexColor"},
      {IDC_WIDTH_PIXELS, "radio", "Width in pixels"},
      {IDC_WIDTH_WORLD, "radio", "Width in world units"},
      {IDC_EDGE_WIDTH_PIXELS, "spinner", "edgesWidthPixels"},
      {IDC_EDGE_WIDTH_WORLD, "spinner", "edgesWidthWorldUnits"},
      {IDC_VERTEX_WIDTH_PIXELS, "spinner", "vertexWidthPixels"},
      {IDC_VERTEX_WIDTH_WORLD, "spinner", "vertexWidthWorldUnits"}}},
};

class WireTexCd : public ClassDescCommon {
public:
    WireTexCd() : ClassDescCommon(TEXMAP_CAT_3D, "NimbalWire", TEXMAP_CLASS_ID, Class_ID(0x6520786F, 0x321045B4)) {}
    void* Create(BOOL) override { return new (std::nothrow) WireTex(); }
};

WireTexCd wireTexCd;

constexpr double kNoUpperBound = std::numeric_limits<double>::infinity();

ParamBlockDesc2 wireTexPbDesc(
    BlockDesc{0, "NimbalWirePb", IDS_WIRETEX_PB, &wireTexCd, P_AUTO_CONSTRUCT | P_AUTO_UI, 0, 0,
             {
             RolloutDesc{0, 1506, IDS_WIRETEX_ROLLOUT_0, 0, nullptr}
             }},
    {
        {.id = 1, .name = "baseColor", .type = TYPE_RGBA, .def = Color(1.0f, 1.0f, 1.0f),
         .ui = {TYPE_COLORSWATCH, {IDC_BASE_COLOR}}, .localName = IDS_BASE_COLOR},
        {.id = 2, .name = "edgeColor", .type = TYPE_RGBA, .def = Color(0.5f, 0.5f, 0.5f),
         .ui = {TYPE_COLORSWATCH, {IDC_EDGE_COLOR}}, .localName = IDS_EDGE_COLOR},
        {.id = 3, .name = "vertexColor", .type = TYPE_RGBA, .def = Color(0.0f, 0.0f, 0.0f),
         .ui = {TYPE_COLORSWATCH, {IDC_VERTEX_COLOR}}, .localName = IDS_VERTEX_COLOR},
        {.id = 4, .name = "widthMode", .type = TYPE_INT, .def = 1, .range = ParamRange{0, 1},
         .ui = {TYPE_RADIO, {IDC_WIDTH_PIXELS, IDC_WIDTH_WORLD}, 0.0f,
                {{IDS_WIDTH_IN_PIXELS, 0}, {IDS_WIDTH_IN_WORLD_UNITS, 1}}},
         .localName = IDS_WIDTH_MODE},
        {.id = 5, .name = "allEdges", .type = TYPE_BOOL, .def = true, .ui = {TYPE_SINGLECHECKBOX, {IDC_ALL_EDGES}},
         .localName = IDS_ALL_EDGES, .tooltip = IDS_ALL_EDGES_TIP},
        {.id = 11, .name = "edgesOn", .type = TYPE_BOOL, .def = true, .ui = {TYPE_SINGLECHECKBOX, {IDC_EDGES_ON}},
         .localName = IDS_EDGES_ON},
        {.id = 6, .name = "verticesOn", .type = TYPE_BOOL, .def = false, .ui = {TYPE_SINGLECHECKBOX, {IDC_VERTICES_ON}},
         .localName = IDS_VERTICES_ON},
        {.id = 7, .name = "edgeWidthPixels", .type = TYPE_FLOAT, .def = 0.3f, .range = ParamRange{0, 99},
         .ui = {TYPE_SPINNER, {IDC_EDGE_WIDTH_PIXELS, IDC_EDGE_WIDTH_PIXELS_SPIN}, 0.01f},
         .localName = IDS_EDGE_WIDTH_PIXELS},
        {.id = 8, .name = "edgeWidthWorld", .type = TYPE_WORLD, .def = 1.0f, .range = ParamRange{0, kNoUpperBound},
         .ui = {TYPE_SPINNER, {IDC_EDGE_WIDTH_WORLD, IDC_EDGE_WIDTH_WORLD_SPIN}, 0.1f},
         .localName = IDS_EDGE_WIDTH_WORLD, .dim = DIM_WORLD},
        {.id = 9, .name = "vertexWidthPixels", .type = TYPE_FLOAT, .def = 0.3f, .range = ParamRange{0, 99},
         .ui = {TYPE_SPINNER, {IDC_VERTEX_WIDTH_PIXELS, IDC_VERTEX_WIDTH_PIXELS_SPIN}, 0.01f},
         .localName = IDS_VERTEX_WIDTH_PIXELS},
        {.id = 10, .name = "vertexWidthWorld", .type = TYPE_WORLD, .def = 1.0f, .range = ParamRange{0, kNoUpperBound},
         .ui = {TYPE_SPINNER, {IDC_VERTEX_WIDTH_WORLD, IDC_VERTEX_WIDTH_WORLD_SPIN}, 0.1f},
         .localName = IDS_VERTEX_WIDTH_WORLD, .dim = DIM_WORLD},
        {.id = 12, .name = "baseMap", .type = TYPE_TEXMAP, .ui = {TYPE_TEXMAPBUTTON, {IDC_BASE_MAP}},
         .localName = IDS_BASE_TEXMAP, .subTexNo = 0},
        {.id = 13, .name = "baseMapOn", .type = TYPE_BOOL, .def = true, .ui = {TYPE_SINGLECHECKBOX, {IDC_BASE_MAP_ON}},
         .localName = IDS_BASE_MAP_ON},
    });
}  // namespace

ClassDesc2* WireTexTraits::classDesc() { return &wireTexCd; }
ClassDescCommon* wireTexClassDesc() { return &wireTexCd; }

WireTex::WireTex() { addSubTexmapSlot("Base", 12, 13); }

}  // namespace Nimbal
