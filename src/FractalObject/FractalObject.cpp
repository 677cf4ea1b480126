#include "FractalObject/FractalObject.h"

#include <limits>

#include "Resources.h"

namespace Nimbal {

namespace {
constexpr double INF = std::numeric_limits<double>::infinity();

enum : int {
    IDS_FRACTALOBJECT_PB = 4000,
    IDS_FRACTALOBJECT_ROLLOUT_0 = 4001,
    IDS_MANDELBULB_FORMULA_POWER = 4010,
    IDS_RAYMARCHING_STEPS,
    IDS_ITERATION_STEPS,
    IDS_PRECISION_STEPS,
    IDS_CDG_EPSILON,
    IDS_VALUE_ADAPTIVITY,
    IDS_PREVIZ_TYPE,
    IDS_POINT_CLOUD_PREVIZ_POINTS,
    IDS_FULLVIZ_RESOLUTION_MULT,
    IDS_FRACTAL_TYPE,
    IDS_MANDELBOX_S,
    IDS_MANDELBOX_R,
    IDS_MANDELBOX_F,
    IDS_TEXMAP,
    IDS_SPHERE_ONLY = 4030,
    IDS_FULL_DOT_PRODUCT,
    IDS_POINT_CLOUD,
    IDS_MANDELBULB,
    IDS_MANDELBOX,
    IDS_TEXMAP_TYPE,
};

// Control ids of the rollout's dialog template.
enum : int {
    IDC_POWER = 1001,
    IDC_POWER_SPIN,
    IDC_RAYMARCHING_STEPS,
    IDC_RAYMARCHING_STEPS_SPIN,
    IDC_ITERATION_STEPS,
    IDC_ITERATION_STEPS_SPIN,
    IDC_PRECISION_STEPS,
    IDC_PRECISION_STEPS_SPIN,
    IDC_EPSILON,
    IDC_EPSILON_SPIN,
    IDC_ADAPTIVITY,
    IDC_ADAPTIVITY_SPIN,
    IDC_PREVIZ_SPHERE,
    IDC_PREVIZ_FULL,
    IDC_PREVIZ_POINT_CLOUD,
    IDC_POINT_COUNT,
    IDC_POINT_COUNT_SPIN,
    IDC_RESOLUTION,
    IDC_RESOLUTION_SPIN,
    IDC_TYPE_MANDELBULB,
    IDC_TYPE_MANDELBOX,
    IDC_TYPE_TEXMAP,
    IDC_BOX_S,
    IDC_BOX_S_SPIN,
    IDC_BOX_R,
    IDC_BOX_R_SPIN,
    IDC_BOX_F,
    IDC_BOX_F_SPIN,
    IDC_TEXMAP,
};

const StringTable strings{
    {IDS_FRACTALOBJECT_PB, "Fractal paramblock"},
    {IDS_FRACTALOBJECT_ROLLOUT_0, "Nimbal Volume Fractal"},
    {IDS_MANDELBULB_FORMULA_POWER, "mandelbulbFormulaPower"},
    {IDS_RAYMARCHING_STEPS, "raymarchingSteps"},
    {IDS_ITERATION_STEPS, "iterationSteps"},
    {IDS_PRECISION_STEPS, "precisionSteps"},
    {IDS_CDG_EPSILON, "cdgEpsilon"},
    {IDS_VALUE_ADAPTIVITY, "valueAdaptivity"},
    {IDS_PREVIZ_TYPE, "previzType"},
    {IDS_POINT_CLOUD_PREVIZ_POINTS, "pointCloudPrevizPoints"},
    {IDS_FULLVIZ_RESOLUTION_MULT, "fullvizResolutionMult"},
    {IDS_FRACTAL_TYPE, "fractalType"},
    {IDS_MANDELBOX_S, "mandelboxS"},
    {IDS_MANDELBOX_R, "mandelboxR"},
    {IDS_MANDELBOX_F, "mandelboxF"},
    {IDS_TEXMAP, "texmap"},
    {IDS_SPHERE_ONLY, "Sphere only"},
    {IDS_FULL_DOT_PRODUCT, "Full (dot product shading)"},
    {IDS_POINT_CLOUD, "Point cloud"},
    {IDS_MANDELBULB, "Mandelbulb"},
    {IDS_MANDELBOX, "Mandelbox"},
    {IDS_TEXMAP_TYPE, "Texmap"},
};

const DialogTable dialogs{
    {1703, "Nimbal Volume Fractal",
     {{IDC_POWER, "spinner", "Mandelbulb power:"},
      {IDC_RAYMARCHING_STEPS, "spinner", "Raymarching steps:"},
      {IDC_ITERATION_STEPS, "spinner", "Iterations:"},
      {IDC_PRECISION_STEPS, "spinner", "Precision steps:"},
      {IDC_EPSILON, "spinner", "Epsilon:"},
      {IDC_ADAPTIVITY, "spinner", "Value adaptivity:"},
      {IDC_PREVIZ_SPHERE, "radio", "Sphere only"},
      {IDC_PREVIZ_FULL, "radio", "Full (dot product shading)"},
      {IDC_PREVIZ_POINT_CLOUD, "radio", "Point cloud"},
      {IDC_POINT_COUNT, "spinner", "Point cloud rays (thousands):"},
      {IDC_RESOLUTION, "spinner", "Full preview resolution:"},
      {IDC_TYPE_MANDELBULB, "radio", "Mandelbulb"},
      {IDC_TYPE_MANDELBOX, "radio", "Mandelbox"},
      {IDC_TYPE_TEXMAP, "radio", "Texmap"},
      {IDC_BOX_S, "spinner", "Mandelbox S:"},
      {IDC_BOX_R, "spinner", "Mandelbox R:"},
      {IDC_BOX_F, "spinner", "Mandelbox F:"},
      {IDC_TEXMAP, "map", "Density map:"}}},
};

class FractalObjectCd : public ClassDescCommon {
public:
    FractalObjectCd() : ClassDescCommon("Nimbal", "NFractal", GEOMOBJECT_CLASS_ID, Class_ID(0xA81B220E, 0x7964D0A3)) {}
    void* Create(BOOL) override { return new (std::nothrow) FractalObject(); }
};

FractalObjectCd fractalObjectCd;

// The declared ranges of "previzType" and "fractalType" are narrower than the
// values their radio buttons write (0, 1 and 2); scenes hold those values.
ParamBlockDesc2 fractalObjectPbDesc(
    BlockDesc{0, "NimbalFractalPb", IDS_FRACTALOBJECT_PB, &fractalObjectCd, P_AUTO_CONSTRUCT | P_AUTO_UI, 0, 0,
             {
             RolloutDesc{0, 1703, IDS_FRACTALOBJECT_ROLLOUT_0, 0, nullptr}
             }},
    {
        {.id = 120, .name = "mandelbulbFormulaPower", .type = TYPE_INT, .flags = P_ANIMATABLE, .def = 8,
         .range = ParamRange{1, 999}, .ui = {TYPE_SPINNER, {IDC_POWER, IDC_POWER_SPIN}, 1.0f},
         .localName = IDS_MANDELBULB_FORMULA_POWER},
        {.id = 121, .name = "raymarchingSteps", .type = TYPE_INT, .flags = P_ANIMATABLE, .def = 400,
         .range = ParamRange{10, 10000}, .ui = {TYPE_SPINNER, {IDC_RAYMARCHING_STEPS, IDC_RAYMARCHING_STEPS_SPIN}, 1.0f},
         .localName = IDS_RAYMARCHING_STEPS},
        {.id = 122, .name = "iterationSteps", .type = TYPE_INT, .flags = P_ANIMATABLE, .def = 10,
         .range = ParamRange{1, 200}, .ui = {TYPE_SPINNER, {IDC_ITERATION_STEPS, IDC_ITERATION_STEPS_SPIN}, 1.0f},
         .localName = IDS_ITERATION_STEPS},
        {.id = 123, .name = "precisionSteps", .type = TYPE_INT, .flags = P_ANIMATABLE, .def = 1,
         .range = ParamRange{1, 10}, .ui = {TYPE_SPINNER, {IDC_PRECISION_STEPS, IDC_PRECISION_STEPS_SPIN}, 1.0f},
         .localName = IDS_PRECISION_STEPS},
        {.id = 124, .name = "cdgEpsilon", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 0.25f,
         .range = ParamRange{0.001, 10}, .ui = {TYPE_SPINNER, {IDC_EPSILON, IDC_EPSILON_SPIN}, 0.01f},
         .localName = IDS_CDG_EPSILON},
        {.id = 125, .name = "valueAdaptivity", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 10.0f,
         .range = ParamRange{1, 100}, .ui = {TYPE_SPINNER, {IDC_ADAPTIVITY, IDC_ADAPTIVITY_SPIN}, 0.1f},
         .localName = IDS_VALUE_ADAPTIVITY},
        {.id = 126, .name = "previzType", .type = TYPE_INT, .flags = P_ANIMATABLE, .def = 0, .range = ParamRange{1, 1},
         .ui = {TYPE_RADIO, {IDC_PREVIZ_SPHERE, IDC_PREVIZ_FULL, IDC_PREVIZ_POINT_CLOUD}, 0.0f,
                {{IDS_SPHERE_ONLY, 0}, {IDS_FULL_DOT_PRODUCT, 1}, {IDS_POINT_CLOUD, 2}}},
         .localName = IDS_PREVIZ_TYPE},
        // Thousands of rays.
        {.id = 127, .name = "pointPrevizCount", .type = TYPE_INT, .flags = P_ANIMATABLE, .def = 1,
         .range = ParamRange{1, 1000}, .ui = {TYPE_SPINNER, {IDC_POINT_COUNT, IDC_POINT_COUNT_SPIN}, 1.0f},
         .localName = IDS_POINT_CLOUD_PREVIZ_POINTS},
        // The full preview's block size is 1 - value pixels.
        {.id = 128, .name = "previzResolution", .type = TYPE_INT, .flags = P_ANIMATABLE, .def = -4,
         .range = ParamRange{-10, 0}, .ui = {TYPE_SPINNER, {IDC_RESOLUTION, IDC_RESOLUTION_SPIN}, 1.0f},
         .localName = IDS_FULLVIZ_RESOLUTION_MULT},
        {.id = 129, .name = "fractalType", .type = TYPE_INT, .flags = P_ANIMATABLE, .def = 0, .range = ParamRange{0, 1},
         .ui = {TYPE_RADIO, {IDC_TYPE_MANDELBULB, IDC_TYPE_MANDELBOX, IDC_TYPE_TEXMAP}, 0.0f,
                {{IDS_MANDELBULB, 0}, {IDS_MANDELBOX, 1}, {IDS_TEXMAP_TYPE, 2}}},
         .localName = IDS_FRACTAL_TYPE},
        {.id = 130, .name = "boxS", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 2.0f, .range = ParamRange{-INF, INF},
         .ui = {TYPE_SPINNER, {IDC_BOX_S, IDC_BOX_S_SPIN}, 0.01f}, .localName = IDS_MANDELBOX_S},
        {.id = 131, .name = "boxR", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 0.5f, .range = ParamRange{-INF, INF},
         .ui = {TYPE_SPINNER, {IDC_BOX_R, IDC_BOX_R_SPIN}, 0.01f}, .localName = IDS_MANDELBOX_R},
        {.id = 132, .name = "boxF", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 1.0f, .range = ParamRange{-INF, INF},
         .ui = {TYPE_SPINNER, {IDC_BOX_F, IDC_BOX_F_SPIN}, 0.01f}, .localName = IDS_MANDELBOX_F},
        {.id = 133, .name = "texmap", .type = TYPE_TEXMAP, .ui = {TYPE_TEXMAPBUTTON, {IDC_TEXMAP}},
         .localName = IDS_TEXMAP},
    });
}  // namespace

ClassDesc2* FractalObjectTraits::classDesc() { return &fractalObjectCd; }
ClassDescCommon* fractalObjectClassDesc() { return &fractalObjectCd; }

FractalObject::FractalObject() = default;

}  // namespace Nimbal
