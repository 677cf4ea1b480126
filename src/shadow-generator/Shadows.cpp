#include "shadow-generator/Shadows.h"

#include <limits>

#include "Resources.h"

namespace Nimbal {

namespace {
constexpr double INF = std::numeric_limits<double>::infinity();

enum : int {
    IDS_SHADOWS_PB = 3000,
    IDS_SHADOWS_ROLLOUT_0 = 3001,
    IDS_USE_AREA_SHADOWS = 3010,
    IDS_AREA_RADIUS,
    IDS_AREA_SAMPLES,
    IDS_TIP_AREA_SHADOWS = 3100,
    IDS_TIP_SAMPLES,
};

// Control ids of dialog template 1702.
enum : int {
    IDC_AREA_SHADOWS = 1001,
    IDC_AREA_RADIUS,
    IDC_AREA_RADIUS_SPIN,
    IDC_SAMPLES,
    IDC_SAMPLES_SPIN,
};

const StringTable strings{
    {IDS_SHADOWS_PB, "Shadows paramblock"},
    {IDS_SHADOWS_ROLLOUT_0, "Nimbal Shadows"},
    {IDS_USE_AREA_SHADOWS, "useAreaShadows"},
    {IDS_AREA_RADIUS, "areaRadius"},
    {IDS_AREA_SAMPLES, "areaSamples"},
    {IDS_TIP_AREA_SHADOWS,
     "Enables fake area shadows, simulating sphere emitter. They take longer to compute, but produce more plausible "
     "visual effect"},
    {IDS_TIP_SAMPLES,
     "How many samples to use when area shadows are turned on. Higher values take longer to compute, but produce "
     "more clean shadow boundaries."},
};

const DialogTable dialogs{
    {1702, "Nimbal Shadows",
     {{IDC_AREA_SHADOWS, "check", "Area shadows"},
      {IDC_AREA_RADIUS, "spinner", "Radius:"},
      {IDC_SAMPLES, "spinner", "Samples:"}}},
};

class ShadowsCd : public ClassDescCommon {
public:
    ShadowsCd() : ClassDescCommon("Nimbal", "NimbalShadows", SHADOW_TYPE_CLASS_ID, Class_ID(0x28704565, 0xCC151275)) {}
    void* Create(BOOL) override { return new (std::nothrow) Shadows(); }
};

ShadowsCd shadowsCd;

// The host shows a shadow type's parameters in the light's own panel, through
// the shadow type's parameter dialog, so the block asks for no automatic user
// interface; the rollout entry names the template and title that dialog uses.
ParamBlockDesc2 shadowsPbDesc(
    BlockDesc{0, "NimbalShadowsPb", IDS_SHADOWS_PB, &shadowsCd, P_AUTO_CONSTRUCT, 0, 0,
             {
             RolloutDesc{0, 1702, IDS_SHADOWS_ROLLOUT_0, 0, nullptr}
             }},
    {
        {.id = 101, .name = "areaShadows", .type = TYPE_BOOL, .flags = P_ANIMATABLE, .def = false,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_AREA_SHADOWS}}, .localName = IDS_USE_AREA_SHADOWS,
         .tooltip = IDS_TIP_AREA_SHADOWS},
        {.id = 100, .name = "areaRadius", .type = TYPE_WORLD, .flags = P_ANIMATABLE, .def = 10.0f,
         .range = ParamRange{0.0001, INF}, .ui = {TYPE_SPINNER, {IDC_AREA_RADIUS, IDC_AREA_RADIUS_SPIN}, 0.1f},
         .localName = IDS_AREA_RADIUS, .dim = DIM_WORLD},
        {.id = 102, .name = "samples", .type = TYPE_INT, .flags = P_ANIMATABLE, .def = 10, .range = ParamRange{1, 999},
         .ui = {TYPE_SPINNER, {IDC_SAMPLES, IDC_SAMPLES_SPIN}, 1.0f}, .localName = IDS_AREA_SAMPLES,
         .tooltip = IDS_TIP_SAMPLES},
    });
}  // namespace

ClassDesc2* ShadowsTraits::classDesc() { return &shadowsCd; }
ClassDescCommon* shadowsClassDesc() { return &shadowsCd; }

Shadows::Shadows() = default;

}  // namespace Nimbal
