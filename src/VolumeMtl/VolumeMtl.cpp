#include "VolumeMtl/VolumeMtl.h"

#include <limits>

#include "Resources.h"

namespace Nimbal {

namespace {
constexpr double INF = std::numeric_limits<double>::infinity();

enum : int {
    IDS_VOLUMEMTL_PB = 9000,
    IDS_VOLUMEMTL_ROLLOUT_0 = 9001,
    IDS_EMISSION_COLOR = 9010,
    IDS_EMISSION_DISTANCE,
    IDS_ABSORPTION_COLOR,
    IDS_ABSORPTION_DISTANCE,
    IDS_SCATTERING_COLOR,
    IDS_SCATTERING_DIRECTIONALITY,
    IDS_ABSORPTION_COLOR_TEXMAP,
    IDS_SCATTERING_COLOR_TEXMAP,
    IDS_ABSORPTION_COLOR_TEXMAP_ON,
    IDS_SCATTERING_COLOR_TEXMAP_ON,
    IDS_SINGLE_BOUNCE_ONLY,
    IDS_EMISSION_DISTANCE_TOOLTIP = 9030,
    IDS_ABSORPTION_DISTANCE_TOOLTIP,
};

// Control ids of dialog template 1505.
enum : int {
    IDC_EMISSION_COLOR = 1001,
    IDC_EMISSION_DIST,
    IDC_EMISSION_DIST_SPIN,
    IDC_ABSORPTION_COLOR,
    IDC_ABSORPTION_DIST,
    IDC_ABSORPTION_DIST_SPIN,
    IDC_SCATTERING_COLOR,
    IDC_DIRECTIONALITY,
    IDC_DIRECTIONALITY_SPIN,
    IDC_ABSORPTION_MAP,
    IDC_SCATTERING_MAP,
    IDC_ABSORPTION_MAP_ON,
    IDC_SCATTERING_MAP_ON,
    IDC_SINGLE_BOUNCE,
};

const StringTable strings{
    {IDS_VOLUMEMTL_PB, "VOlumeMtl paramblock"},
    {IDS_VOLUMEMTL_ROLLOUT_0, "Nimbal Volumetric Material"},
    {IDS_EMISSION_COLOR, "emissionColor"},
    {IDS_EMISSION_DISTANCE, "emissionDistance"},
    {IDS_ABSORPTION_COLOR, "absorptionColor"},
    {IDS_ABSORPTION_DISTANCE, "absorptionDistance"},
    {IDS_SCATTERING_COLOR, "scatteringColor"},
    {IDS_SCATTERING_DIRECTIONALITY, "scatteringDirectionality"},
    {IDS_ABSORPTION_COLOR_TEXMAP, "absorptionColorTexmap"},
    {IDS_SCATTERING_COLOR_TEXMAP, "scatteringColorTexmap"},
    {IDS_ABSORPTION_COLOR_TEXMAP_ON, "absorptionColorTexmapOn"},
    {IDS_SCATTERING_COLOR_TEXMAP_ON, "scatteringColorTexmapOn"},
    {IDS_SINGLE_BOUNCE_ONLY, "singleBounceOnly"},
    {IDS_EMISSION_DISTANCE_TOOLTIP,
     "Emission is controlled by the color a white ray takes after travelling this distance through the medium. "
     "0 disables emission."},
    {IDS_ABSORPTION_DISTANCE_TOOLTIP,
     "Absorption is controlled by the color a white ray takes after travelling this distance through the medium. "
     "0 disables absorption."},
};

const DialogTable dialogs{
    {1505, "Nimbal Volumetric Material",
     {{IDC_EMISSION_COLOR, "color", "Emission color:"},
      {IDC_EMISSION_DIST, "spinner", "Emission distance:"},
      {IDC_ABSORPTION_COLOR, "color", "Absorption color:"},
      {IDC_ABSORPTION_DIST, "spinner", "Absorption distance:"},
      {IDC_SCATTERING_COLOR, "color", "Scattering color:"},
      {IDC_DIRECTIONALITY, "spinner", "Scattering directionality:"},
      {IDC_ABSORPTION_MAP, "map", ""},
      {IDC_SCATTERING_MAP, "map", ""},
      {IDC_ABSORPTION_MAP_ON, "check", ""},
      {IDC_SCATTERING_MAP_ON, "check", ""},
      {IDC_SINGLE_BOUNCE, "check", "Single bounce only"}}},
};

class VolumeMtlCd : public ClassDescCommon {
public:
    VolumeMtlCd() : ClassDescCommon("Nimbal", "NimbalVolumeMtl", MATERIAL_CLASS_ID, Class_ID(0x39874782, 0x378CDE97)) {}
    void* Create(BOOL) override { return new (std::nothrow) VolumeMtl(); }
};

VolumeMtlCd volumeMtlCd;

// Blocks of any other version hold the absorption distance in the older
// scale and are converted after loading.
ParamBlockDesc2 volumeMtlPbDesc(
    BlockDesc{0, "VolumeMtlPb", IDS_VOLUMEMTL_PB, &volumeMtlCd, P_AUTO_CONSTRUCT | P_AUTO_UI | P_VERSION, 47346, 0,
             {
             RolloutDesc{0, 1505, IDS_VOLUMEMTL_ROLLOUT_0, 0, nullptr}
             }},
    {
        {.id = 202, .name = "emissionColor", .type = TYPE_RGBA, .def = Color(1.0f, 1.0f, 1.0f),
         .ui = {TYPE_COLORSWATCH, {IDC_EMISSION_COLOR}}, .localName = IDS_EMISSION_COLOR},
        // 0 switches emission off.
        {.id = 201, .name = "emissionDist", .type = TYPE_WORLD, .def = 0.0f, .range = ParamRange{0, INF},
         .ui = {TYPE_SPINNER, {IDC_EMISSION_DIST, IDC_EMISSION_DIST_SPIN}, 0.1f}, .localName = IDS_EMISSION_DISTANCE,
         .tooltip = IDS_EMISSION_DISTANCE_TOOLTIP, .dim = DIM_WORLD},
        {.id = 102, .name = "absorptionColor", .type = TYPE_RGBA, .def = Color(0.5f, 0.5f, 0.5f),
         .ui = {TYPE_COLORSWATCH, {IDC_ABSORPTION_COLOR}}, .localName = IDS_ABSORPTION_COLOR},
        // 0 switches absorption off.
        {.id = 101, .name = "absorptionDist", .type = TYPE_WORLD, .def = 0.0f, .range = ParamRange{0, INF},
         .ui = {TYPE_SPINNER, {IDC_ABSORPTION_DIST, IDC_ABSORPTION_DIST_SPIN}, 0.1f},
         .localName = IDS_ABSORPTION_DISTANCE, .tooltip = IDS_ABSORPTION_DISTANCE_TOOLTIP, .dim = DIM_WORLD},
        {.id = 203, .name = "scatteringColor", .type = TYPE_RGBA, .def = Color(0.0f, 0.0f, 0.0f),
         .ui = {TYPE_COLORSWATCH, {IDC_SCATTERING_COLOR}}, .localName = IDS_SCATTERING_COLOR},
        {.id = 204, .name = "scatteringDirectionality", .type = TYPE_FLOAT, .def = 0.0f, .range = ParamRange{-0.999, 0.999},
         .ui = {TYPE_SPINNER, {IDC_DIRECTIONALITY, IDC_DIRECTIONALITY_SPIN}, 0.01f},
         .localName = IDS_SCATTERING_DIRECTIONALITY},
        {.id = 206, .name = "absorptionColorTexmap", .type = TYPE_TEXMAP, .ui = {TYPE_TEXMAPBUTTON, {IDC_ABSORPTION_MAP}},
         .localName = IDS_ABSORPTION_COLOR_TEXMAP, .subTexNo = 0},
        {.id = 205, .name = "scatteringColorTexmap", .type = TYPE_TEXMAP, .ui = {TYPE_TEXMAPBUTTON, {IDC_SCATTERING_MAP}},
         .localName = IDS_SCATTERING_COLOR_TEXMAP, .subTexNo = 1},
        {.id = 208, .name = "absorptionColorTexmapOn", .type = TYPE_BOOL, .def = true,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_ABSORPTION_MAP_ON}}, .localName = IDS_ABSORPTION_COLOR_TEXMAP_ON},
        {.id = 207, .name = "scatteringColorTexmapOn", .type = TYPE_BOOL, .def = true,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_SCATTERING_MAP_ON}}, .localName = IDS_SCATTERING_COLOR_TEXMAP_ON},
        {.id = 209, .name = "singleBounce", .type = TYPE_BOOL, .def = false,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_SINGLE_BOUNCE}}, .localName = IDS_SINGLE_BOUNCE_ONLY},
    });
}  // namespace

ClassDesc2* VolumeMtlTraits::classDesc() { return &volumeMtlCd; }
ClassDescCommon* volumeMtlClassDesc() { return &volumeMtlCd; }

// Slots in sub-map order, named by their labels.
VolumeMtl::VolumeMtl() {
    addSubTexmapSlot("absorptionColorTexmap", 206, 208);
    addSubTexmapSlot("scatteringColorTexmap", 205, 207);
}

}  // namespace Nimbal
