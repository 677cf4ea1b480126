#include "Scatter/Scatter.h"

#include <algorithm>
#include <limits>

#include "Resources.h"
#include "Scatter/ScatterOps.h"
#include "Scatter/ScatterPBAccessor.h"
#include "Scatter/ScatterPostLoad.h"
#include "Scatter/ScatterUi.h"

namespace Nimbal {

namespace {
constexpr double INF = std::numeric_limits<double>::infinity();
constexpr float NOT_A_POSITION = std::numeric_limits<float>::quiet_NaN();

enum : int {
    IDS_SCATTER_PB = 10000,
    IDS_SCATTER_ROLLOUT_0 = 10001,
    IDS_SCATTER_ROLLOUT_1 = 10002,
    IDS_SCATTER_ROLLOUT_2 = 10003,
    IDS_SCATTER_ROLLOUT_3 = 10004,
    IDS_DISTRIBUTION_OBJECTS = 10010,
    IDS_DISTRIBUTION_OBJECTS_DENSITY,
    IDS_SCATTERED_OBJECTS,
    IDS_SCATTERED_OBJECTS_FREQUENCY,
    IDS_DISTRIBUTION_OBJECT_DENSITY_MAP,
    IDS_SCALE_MAP_X,
    IDS_SCALE_MAP_Y,
    IDS_SCALE_MAP_Z,
    IDS_COUNT,
    IDS_SEED,
    IDS_RANDOM_TYPE,
    IDS_SCATTER_TYPE,
    IDS_COLLISION_DETECT,
    IDS_ALIGN_NORMALS,
    IDS_TRANSLATE_MIN,
    IDS_TRANSLATE_MAX,
    IDS_ROTATE_MIN,
    IDS_ROTATE_MAX,
    IDS_SCALE_MIN,
    IDS_SCALE_MAX,
    IDS_UNIFORM_SCALING,
    IDS_PREVIZ_TYPE,
    IDS_DISPLAYED_FRACTION,
    IDS_ICON_SIZE,
    IDS_LAST_RENDER_CAMERA,
    IDS_REMOVED_PARAM,
    IDS_CONGRUENT = 10050,
    IDS_HALTON,
    IDS_ON_SURFACES,
    IDS_IN_BOUNDING_BOX,
    IDS_PREVIZ_NONE,
    IDS_PREVIZ_DOT,
    IDS_PREVIZ_BOX,
    IDS_PREVIZ_WIRE_BOX,
    IDS_PREVIZ_FULL,
    IDS_DENSITY_TOOLTIP = 10070,
    IDS_FREQUENCY_TOOLTIP,
    IDS_SEED_TOOLTIP,
    IDS_SCATTER_TYPE_TOOLTIP,
    IDS_COLLISION_DETECT_TOOLTIP,
    IDS_ALIGN_NORMALS_TOOLTIP,
    IDS_UNIFORM_SCALING_TOOLTIP,
    IDS_DISPLAYED_FRACTION_TOOLTIP,
    IDS_ICON_SIZE_TOOLTIP,
    IDS_CONVERT_TOOLTIP,
};

const StringTable strings{
    {IDS_SCATTER_PB, "Scatter paramblock"},
    {IDS_SCATTER_ROLLOUT_0, "Objects"},
    {IDS_SCATTER_ROLLOUT_1, "Scattering"},
    {IDS_SCATTER_ROLLOUT_2, "Transformations"},
    {IDS_SCATTER_ROLLOUT_3, "Display"},
    {IDS_DISTRIBUTION_OBJECTS, "distributionObjects"},
    {IDS_DISTRIBUTION_OBJECTS_DENSITY, "distributionObjectsDensity"},
    {IDS_SCATTERED_OBJECTS, "scatteredObjects"},
    {IDS_SCATTERED_OBJECTS_FREQUENCY, "scatteredObjectsFrequency"},
    {IDS_DISTRIBUTION_OBJECT_DENSITY_MAP, "distributionObjectDensityMap"},
    {IDS_SCALE_MAP_X, "Scale Map X"},
    {IDS_SCALE_MAP_Y, "Scale Map Y"},
    {IDS_SCALE_MAP_Z, "Scale Map Z"},
    {IDS_COUNT, "count"},
    {IDS_SEED, "seed"},
    {IDS_RANDOM_TYPE, "randomType"},
    {IDS_SCATTER_TYPE, "scatterType"},
    {IDS_COLLISION_DETECT, "Collision Detect"},
    {IDS_ALIGN_NORMALS, "alignNormals"},
    {IDS_TRANSLATE_MIN, "translateMin"},
    {IDS_TRANSLATE_MAX, "translateMax"},
    {IDS_ROTATE_MIN, "rotateMin"},
    {IDS_ROTATE_MAX, "rotateMax"},
    {IDS_SCALE_MIN, "scaleMin"},
    {IDS_SCALE_MAX, "scaleMax"},
    {IDS_UNIFORM_SCALING, "Uniform Scaling"},
    {IDS_PREVIZ_TYPE, "previzType"},
    {IDS_DISPLAYED_FRACTION, "displayedFraction"},
    {IDS_ICON_SIZE, "iconSize"},
    {IDS_LAST_RENDER_CAMERA, "lastRenderCamera"},
    {IDS_REMOVED_PARAM, "removedParam"},
    {IDS_CONGRUENT, "Congruent"},
    {IDS_HALTON, "Halton"},
    {IDS_ON_SURFACES, "On surfaces"},
    {IDS_IN_BOUNDING_BOX, "In bounding box"},
    {IDS_PREVIZ_NONE, "None"},
    {IDS_PREVIZ_DOT, "Dot"},
    {IDS_PREVIZ_BOX, "Box"},
    {IDS_PREVIZ_WIRE_BOX, "Wire box"},
    {IDS_PREVIZ_FULL, "Full"},
    {IDS_DENSITY_TOOLTIP, "Relative density of scattering on the currently selected distribution object"},
    {IDS_FREQUENCY_TOOLTIP, "Relative frequency of the currently selected scattered object"},
    {IDS_SEED_TOOLTIP,
     "Determines the particular random distribution used. Changing the value makes random permutations of the "
     "scattered objects."},
    {IDS_SCATTER_TYPE_TOOLTIP, "Whether to scatter objects on geometry surfaces, or freely in volumes."},
    {IDS_COLLISION_DETECT_TOOLTIP,
     "When enabled, instances that would collide with others will be discarded. This results in no overlaps between "
     "instances. Note that when using this feature, real number of created instances is lower than the number "
     "specified in settings."},
    {IDS_ALIGN_NORMALS_TOOLTIP,
     "If true, each scattered object is rotated so that its Z axis matches the local normal on the distribution "
     "surface"},
    {IDS_UNIFORM_SCALING_TOOLTIP,
     "When enabled, all 3 axes are scaled using the values for X axis. When disabled, each axis uses independent "
     "values."},
    {IDS_DISPLAYED_FRACTION_TOOLTIP, "The fraction of scattered objects displayed in the viewport"},
    {IDS_ICON_SIZE_TOOLTIP, "Display size of the gizmo"},
    {IDS_CONVERT_TOOLTIP,
     "Replicates this scatter with instances of the scene's objects. This is usable only for small number of objects."},
    {IDS_SCATTER_CONVERT_CONFIRM,
     "Really convert this scatter to scene objects? When converting large number of instances, this operation will "
     "slow down or freeze the application."},
    {IDS_SCATTER_CONVERT_CAPTION, "Nimbal warning"},
};

const DialogTable dialogs{
    {SCATTER_DIALOG_OBJECTS, "Objects",
     {{IDC_DIST_LIST, "node", "Distribution objects:"},
      {IDC_DIST_PICK, "button", "Pick"},
      {IDC_DIST_ADD, "button", "Add..."},
      {IDC_DIST_REMOVE, "button", "Remove"},
      {IDC_DIST_DENSITY, "spinner", "Density:"},
      {IDC_SCAT_LIST, "node", "Scattered objects:"},
      {IDC_SCAT_PICK, "button", "Pick"},
      {IDC_SCAT_ADD, "button", "Add..."},
      {IDC_SCAT_REMOVE, "button", "Remove"},
      {IDC_SCAT_FREQUENCY, "spinner", "Frequency:"},
      {IDC_CONVERT, "button", "Convert to geometry"}}},
    {SCATTER_DIALOG_SCATTERING, "Scattering",
     {{IDC_DENSITY_MAP, "map", "Density map:"},
      {IDC_COUNT, "spinner", "Count:"},
      {IDC_SEED, "spinner", "Seed:"},
      {IDC_RANDOM_CONGRUENT, "radio", "Congruent"},
      {IDC_RANDOM_HALTON, "radio", "Halton"},
      {IDC_ON_SURFACES, "radio", "On surfaces"},
      {IDC_IN_BOUNDING_BOX, "radio", "In bounding box"},
      {IDC_COLLISION_DETECT, "check", "Collision detection"}}},
    {SCATTER_DIALOG_TRANSFORMATIONS, "Transformations",
     {{IDC_SCALE_MAP_X, "map", "Scale map X:"},
      {IDC_SCALE_MAP_Y, "map", "Scale map Y:"},
      {IDC_SCALE_MAP_Z, "map", "Scale map Z:"},
      {IDC_ALIGN_NORMALS, "check", "Align to normals"},
      {IDC_TRANSLATE_MIN_X, "spinner", "Translation min:"},
      {IDC_TRANSLATE_MIN_Y, "spinner", ""},
      {IDC_TRANSLATE_MIN_Z, "spinner", ""},
      {IDC_TRANSLATE_MAX_X, "spinner", "Translation max:"},
      {IDC_TRANSLATE_MAX_Y, "spinner", ""},
      {IDC_TRANSLATE_MAX_Z, "spinner", ""},
      {IDC_ROTATE_MIN_X, "spinner", "Rotation min:"},
      {IDC_ROTATE_MIN_Y, "spinner", ""},
      {IDC_ROTATE_MIN_Z, "spinner", ""},
      {IDC_ROTATE_MAX_X, "spinner", "Rotation max:"},
      {IDC_ROTATE_MAX_Y, "spinner", ""},
      {IDC_ROTATE_MAX_Z, "spinner", ""},
      {IDC_SCALE_MIN_X, "spinner", "Scale min:"},
      {IDC_SCALE_MIN_Y, "spinner", ""},
      {IDC_SCALE_MIN_Z, "spinner", ""},
      {IDC_SCALE_MAX_X, "spinner", "Scale max:"},
      {IDC_SCALE_MAX_Y, "spinner", ""},
      {IDC_SCALE_MAX_Z, "spinner", ""},
      {IDC_UNIFORM_SCALING, "check", "Uniform scaling"}}},
    {SCATTER_DIALOG_DISPLAY, "Display",
     {{IDC_PREVIZ_NONE, "radio", "None"},
      {IDC_PREVIZ_DOT, "radio", "Dot"},
      {IDC_PREVIZ_BOX, "radio", "Box"},
      {IDC_PREVIZ_WIRE_BOX, "radio", "Wire box"},
      {IDC_PREVIZ_FULL, "radio", "Full"},
      {IDC_DISPLAYED_FRACTION, "spinner", "Displayed %:"},
      {IDC_ICON_SIZE, "spinner", "Icon size:"}}},
};

class ScatterCd : public ClassDescCommon {
public:
    ScatterCd() : ClassDescCommon("Nimbal", "NScatter", GEOMOBJECT_CLASS_ID, Class_ID(0x63B20069, 0x325E5220)) {}
    void* Create(BOOL) override { return new (std::nothrow) Scatter(); }
};

ScatterCd scatterCd;
ScatterPBAccessor scatterAccessor;
ScatterNodeValidator nodeValidator;
ScatterObjectsDlgProc objectsDlgProc;
ScatterTransformDlgProc transformDlgProc;

// Three spinners (x, y, z) of one point3 parameter in the transformations rollout.
ParamUi pointSpinners(int firstCtrl, float step) {
    return ParamUi(TYPE_SPINNER, {firstCtrl, firstCtrl + 1, firstCtrl + 2, firstCtrl + 3, firstCtrl + 4, firstCtrl + 5},
                   step);
}

// Retired per-axis transformation parameters; only the conversion of older
// scenes reads them.
ParamDef removed(ParamID id, int type) {
    return {.id = id, .name = "removedParam", .type = type, .flags = P_OBSOLETE, .localName = IDS_REMOVED_PARAM};
}

ParamBlockDesc2 scatterPbDesc(
    BlockDesc{0, "NimbalScatterPb", IDS_SCATTER_PB, &scatterCd, P_AUTO_CONSTRUCT | P_AUTO_UI | P_MULTIMAP | P_VERSION, 1236, 0,
             {
             RolloutDesc{SCATTER_MAP_OBJECTS, SCATTER_DIALOG_OBJECTS, IDS_SCATTER_ROLLOUT_0, 0, &objectsDlgProc},
             RolloutDesc{SCATTER_MAP_SCATTERING, SCATTER_DIALOG_SCATTERING, IDS_SCATTER_ROLLOUT_1, 0, nullptr},
             RolloutDesc{SCATTER_MAP_TRANSFORMATIONS, SCATTER_DIALOG_TRANSFORMATIONS, IDS_SCATTER_ROLLOUT_2, 0, &transformDlgProc},
             RolloutDesc{SCATTER_MAP_DISPLAY, SCATTER_DIALOG_DISPLAY, IDS_SCATTER_ROLLOUT_3, 0, nullptr}
             }},
    {
        {.id = 101, .name = "distributionObjects", .type = TabOf(TYPE_INODE), .flags = P_VARIABLE_SIZE,
         .ui = {TYPE_NODELISTBOX, {IDC_DIST_LIST, IDC_DIST_PICK, IDC_DIST_ADD, IDC_DIST_REMOVE}}, .map = SCATTER_MAP_OBJECTS,
         .localName = IDS_DISTRIBUTION_OBJECTS, .accessor = &scatterAccessor, .validator = &nodeValidator},
        {.id = 102, .name = "distributionObjectsDensity", .type = TabOf(TYPE_FLOAT), .flags = P_VARIABLE_SIZE | P_ANIMATABLE,
         .def = 1.0f, .range = ParamRange{0, INF}, .ui = {TYPE_SPINNER, {IDC_DIST_DENSITY, IDC_DIST_DENSITY_SPIN}, 1.0f},
         .map = SCATTER_MAP_OBJECTS, .localName = IDS_DISTRIBUTION_OBJECTS_DENSITY, .tooltip = IDS_DENSITY_TOOLTIP,
         .accessor = &scatterAccessor},
        {.id = 103, .name = "scatteredObjects", .type = TabOf(TYPE_INODE), .flags = P_VARIABLE_SIZE,
         .ui = {TYPE_NODELISTBOX, {IDC_SCAT_LIST, IDC_SCAT_PICK, IDC_SCAT_ADD, IDC_SCAT_REMOVE}}, .map = SCATTER_MAP_OBJECTS,
         .localName = IDS_SCATTERED_OBJECTS, .accessor = &scatterAccessor, .validator = &nodeValidator},
        {.id = 104, .name = "scatteredObjectsFrequency", .type = TabOf(TYPE_FLOAT), .flags = P_VARIABLE_SIZE | P_ANIMATABLE,
         .def = 1.0f, .range = ParamRange{0, INF},
         .ui = {TYPE_SPINNER, {IDC_SCAT_FREQUENCY, IDC_SCAT_FREQUENCY_SPIN}, 1.0f}, .map = SCATTER_MAP_OBJECTS,
         .localName = IDS_SCATTERED_OBJECTS_FREQUENCY, .tooltip = IDS_FREQUENCY_TOOLTIP, .accessor = &scatterAccessor},
        {.id = 105, .name = "distributionObjectDensityMap", .type = TYPE_TEXMAP, .ui = {TYPE_TEXMAPBUTTON, {IDC_DENSITY_MAP}},
         .map = SCATTER_MAP_SCATTERING, .localName = IDS_DISTRIBUTION_OBJECT_DENSITY_MAP, .accessor = &scatterAccessor},
        {.id = 106, .name = "Scale Map X", .type = TYPE_TEXMAP, .ui = {TYPE_TEXMAPBUTTON, {IDC_SCALE_MAP_X}},
         .map = SCATTER_MAP_TRANSFORMATIONS, .localName = IDS_SCALE_MAP_X, .accessor = &scatterAccessor},
        {.id = 107, .name = "Scale Map Y", .type = TYPE_TEXMAP, .ui = {TYPE_TEXMAPBUTTON, {IDC_SCALE_MAP_Y}},
         .map = SCATTER_MAP_TRANSFORMATIONS, .localName = IDS_SCALE_MAP_Y, .accessor = &scatterAccessor},
        {.id = 108, .name = "Scale Map Z", .type = TYPE_TEXMAP, .ui = {TYPE_TEXMAPBUTTON, {IDC_SCALE_MAP_Z}},
         .map = SCATTER_MAP_TRANSFORMATIONS, .localName = IDS_SCALE_MAP_Z, .accessor = &scatterAccessor},
        {.id = 201, .name = "count", .type = TYPE_INT, .flags = P_ANIMATABLE, .def = 10, .range = ParamRange{1, 1000000000},
         .ui = {TYPE_SPINNER, {IDC_COUNT, IDC_COUNT_SPIN}, 1.0f}, .map = SCATTER_MAP_SCATTERING, .localName = IDS_COUNT,
         .accessor = &scatterAccessor},
        {.id = 202, .name = "seed", .type = TYPE_INT, .flags = P_ANIMATABLE, .def = 1, .range = ParamRange{1, 31337},
         .ui = {TYPE_SPINNER, {IDC_SEED, IDC_SEED_SPIN}, 1.0f}, .map = SCATTER_MAP_SCATTERING, .localName = IDS_SEED,
         .tooltip = IDS_SEED_TOOLTIP, .accessor = &scatterAccessor},
        {.id = 203, .name = "randomType", .type = TYPE_INT, .flags = P_ANIMATABLE, .def = 1, .range = ParamRange{0, 1},
         .ui = {TYPE_RADIO, {IDC_RANDOM_CONGRUENT, IDC_RANDOM_HALTON}, 0.0f, {{IDS_CONGRUENT, 0}, {IDS_HALTON, 1}}},
         .map = SCATTER_MAP_SCATTERING, .localName = IDS_RANDOM_TYPE, .accessor = &scatterAccessor},
        {.id = 204, .name = "scatterType", .type = TYPE_INT, .flags = P_ANIMATABLE, .def = 66, .range = ParamRange{66, 67},
         .ui = {TYPE_RADIO, {IDC_ON_SURFACES, IDC_IN_BOUNDING_BOX}, 0.0f, {{IDS_ON_SURFACES, 66}, {IDS_IN_BOUNDING_BOX, 67}}},
         .map = SCATTER_MAP_SCATTERING, .localName = IDS_SCATTER_TYPE, .tooltip = IDS_SCATTER_TYPE_TOOLTIP,
         .accessor = &scatterAccessor},
        {.id = 205, .name = "Collision Detect", .type = TYPE_BOOL, .def = false,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_COLLISION_DETECT}}, .map = SCATTER_MAP_SCATTERING, .localName = IDS_COLLISION_DETECT,
         .tooltip = IDS_COLLISION_DETECT_TOOLTIP, .accessor = &scatterAccessor},
        {.id = 321, .name = "alignNormals", .type = TYPE_BOOL, .flags = P_ANIMATABLE, .def = true,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_ALIGN_NORMALS}}, .map = SCATTER_MAP_TRANSFORMATIONS, .localName = IDS_ALIGN_NORMALS,
         .tooltip = IDS_ALIGN_NORMALS_TOOLTIP, .accessor = &scatterAccessor},
        {.id = 405, .name = "translateMin", .type = TYPE_POINT3, .flags = P_ANIMATABLE, .def = Point3(0.0f, 0.0f, 0.0f),
         .range = ParamRange{-INF, INF}, .ui = pointSpinners(IDC_TRANSLATE_MIN_X, 0.1f), .map = SCATTER_MAP_TRANSFORMATIONS,
         .localName = IDS_TRANSLATE_MIN, .dim = DIM_WORLD, .accessor = &scatterAccessor},
        {.id = 406, .name = "translateMax", .type = TYPE_POINT3, .flags = P_ANIMATABLE, .def = Point3(0.0f, 0.0f, 0.0f),
         .range = ParamRange{-INF, INF}, .ui = pointSpinners(IDC_TRANSLATE_MAX_X, 0.1f), .map = SCATTER_MAP_TRANSFORMATIONS,
         .localName = IDS_TRANSLATE_MAX, .dim = DIM_WORLD, .accessor = &scatterAccessor},
        // Radians, shown in degrees.
        {.id = 407, .name = "rotateMin", .type = TYPE_POINT3, .flags = P_ANIMATABLE, .def = Point3(0.0f, 0.0f, 0.0f),
         .range = ParamRange{-INF, INF}, .ui = pointSpinners(IDC_ROTATE_MIN_X, 1.0f), .map = SCATTER_MAP_TRANSFORMATIONS,
         .localName = IDS_ROTATE_MIN, .dim = DIM_ANGLE, .accessor = &scatterAccessor},
        {.id = 408, .name = "rotateMax", .type = TYPE_POINT3, .flags = P_ANIMATABLE, .def = Point3(0.0f, 0.0f, 0.0f),
         .range = ParamRange{-INF, INF}, .ui = pointSpinners(IDC_ROTATE_MAX_X, 1.0f), .map = SCATTER_MAP_TRANSFORMATIONS,
         .localName = IDS_ROTATE_MAX, .dim = DIM_ANGLE, .accessor = &scatterAccessor},
        // Factors, shown as percentages.
        {.id = 409, .name = "scaleMin", .type = TYPE_POINT3, .flags = P_ANIMATABLE, .def = Point3(1.0f, 1.0f, 1.0f),
         .range = ParamRange{-INF, INF}, .ui = pointSpinners(IDC_SCALE_MIN_X, 1.0f), .map = SCATTER_MAP_TRANSFORMATIONS,
         .localName = IDS_SCALE_MIN, .dim = DIM_PERCENT, .accessor = &scatterAccessor},
        {.id = 410, .name = "scaleMax", .type = TYPE_POINT3, .flags = P_ANIMATABLE, .def = Point3(1.0f, 1.0f, 1.0f),
         .range = ParamRange{-INF, INF}, .ui = pointSpinners(IDC_SCALE_MAX_X, 1.0f), .map = SCATTER_MAP_TRANSFORMATIONS,
         .localName = IDS_SCALE_MAX, .dim = DIM_PERCENT, .accessor = &scatterAccessor},
        {.id = 411, .name = "Uniform Scaling", .type = TYPE_BOOL, .def = true,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_UNIFORM_SCALING}}, .map = SCATTER_MAP_TRANSFORMATIONS, .localName = IDS_UNIFORM_SCALING,
         .tooltip = IDS_UNIFORM_SCALING_TOOLTIP, .accessor = &scatterAccessor},
        {.id = 401, .name = "previzType", .type = TYPE_INT, .flags = P_ANIMATABLE, .def = 3, .range = ParamRange{0, 4},
         .ui = {TYPE_RADIO, {IDC_PREVIZ_NONE, IDC_PREVIZ_DOT, IDC_PREVIZ_BOX, IDC_PREVIZ_WIRE_BOX, IDC_PREVIZ_FULL}, 0.0f,
                {{IDS_PREVIZ_NONE, 0}, {IDS_PREVIZ_DOT, 1}, {IDS_PREVIZ_BOX, 2}, {IDS_PREVIZ_WIRE_BOX, 3}, {IDS_PREVIZ_FULL, 4}}},
         .map = SCATTER_MAP_DISPLAY, .localName = IDS_PREVIZ_TYPE, .accessor = &scatterAccessor},
        {.id = 402, .name = "displayedFraction", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 100.0f,
         .range = ParamRange{0, 100}, .ui = {TYPE_SPINNER, {IDC_DISPLAYED_FRACTION, IDC_DISPLAYED_FRACTION_SPIN}, 1.0f},
         .map = SCATTER_MAP_DISPLAY, .localName = IDS_DISPLAYED_FRACTION, .tooltip = IDS_DISPLAYED_FRACTION_TOOLTIP,
         .accessor = &scatterAccessor},
        {.id = 404, .name = "iconSize", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 1.0f,
         .range = ParamRange{0.0001, INF}, .ui = {TYPE_SPINNER, {IDC_ICON_SIZE, IDC_ICON_SIZE_SPIN}, 0.1f},
         .map = SCATTER_MAP_DISPLAY, .localName = IDS_ICON_SIZE, .tooltip = IDS_ICON_SIZE_TOOLTIP,
         .accessor = &scatterAccessor},
        // Not a position until the renderer has reported one.
        {.id = 412, .name = "lastRenderCamera", .type = TYPE_POINT3, .flags = P_ANIMATABLE,
         .def = Point3(NOT_A_POSITION, NOT_A_POSITION, NOT_A_POSITION), .localName = IDS_LAST_RENDER_CAMERA},
        removed(301, TYPE_WORLD),
        removed(302, TYPE_WORLD),
        removed(303, TYPE_WORLD),
        removed(304, TYPE_FLOAT),
        removed(305, TYPE_FLOAT),
        removed(306, TYPE_FLOAT),
        removed(307, TYPE_FLOAT),
        removed(308, TYPE_FLOAT),
        removed(309, TYPE_FLOAT),
        removed(310, TYPE_FLOAT),
        removed(311, TYPE_WORLD),
        removed(312, TYPE_WORLD),
        removed(313, TYPE_WORLD),
        removed(314, TYPE_FLOAT),
        removed(315, TYPE_FLOAT),
        removed(316, TYPE_FLOAT),
        removed(317, TYPE_FLOAT),
        removed(318, TYPE_FLOAT),
        removed(319, TYPE_FLOAT),
        removed(320, TYPE_FLOAT),
        removed(403, TYPE_BOOL),
    });

// Published after the block, as the host expects of a class's descriptors.
ScatterFpImp scatterOps(&scatterCd);

// The maps come first among the dependency links, in this order.
constexpr ParamID LINKED_MAPS[] = {scatter_densityMap, scatter_scaleMapX, scatter_scaleMapY, scatter_scaleMapZ};
constexpr int NUM_LINKED_MAPS = 4;

Matrix3 zeroMatrix() {
    Matrix3 m;
    m.Zero();
    return m;
}

// Quiet mode for a scope: the host asks nothing while nodes are made.
class QuietScope {
public:
    explicit QuietScope(Interface* ip) : ip_(ip), was_(ip->GetQuietMode()) { ip_->SetQuietMode(TRUE); }
    ~QuietScope() { ip_->SetQuietMode(was_); }
    QuietScope(const QuietScope&) = delete;
    QuietScope& operator=(const QuietScope&) = delete;

private:
    Interface* ip_;
    BOOL was_;
};
}  // namespace

ClassDesc2* ScatterTraits::classDesc() { return &scatterCd; }

Matrix3 toHostMatrix(const AffineTm& tm) {
    const Dir x = tm.column(0), y = tm.column(1), z = tm.column(2);
    const Pos t = tm.translation();
    return Matrix3(Point3(x.x, x.y, x.z), Point3(y.x, y.y, y.z), Point3(z.x, z.y, z.z), Point3(t.x, t.y, t.z));
}
ClassDescCommon* scatterClassDesc() { return &scatterCd; }

Scatter::Scatter() { buildUnitBox(); }

Scatter::~Scatter() {
    if (pendingPostLoad) pendingPostLoad->forget();
    forgetCreation(this);
}

// ---------------------------------------------------------------------------
// References

int Scatter::NumRefs() {
    int tables = NUM_LINKED_MAPS;
    if (pblock) tables += pblock->Count(scatter_distributionObjects) + pblock->Count(scatter_scatteredObjects);
    return 1 + std::max(static_cast<int>(links.size()), tables);
}

RefTargetHandle Scatter::getReference(int i) {
    if (i < 1) return nullptr;
    // The host may ask past the slots held so far; they exist, empty.
    while (links.size() < i) links.push(nullptr);
    return links[i - 1];
}

void Scatter::setReference(int i, RefTargetHandle target) {
    if (i < 1) return;
    while (links.size() < i) links.push(nullptr);
    links[i - 1] = target;
}

MSTR Scatter::subAnimName(int) { return MSTR(); }

void Scatter::rebuildDependencyLinks() {
    for (int i = links.size(); i >= 1; --i)
        if (links[i - 1]) ReplaceReference(i, nullptr);
    if (!pblock) return;
    int ref = 1;
    for (ParamID id : LINKED_MAPS) {
        if (ReferenceTarget* map = pblock->GetReferenceTarget(id)) ReplaceReference(ref, map);
        ++ref;
    }
    for (ParamID table : {scatter_distributionObjects, scatter_scatteredObjects}) {
        const int n = pblock->Count(table);
        for (int k = 0; k < n; ++k, ++ref)
            if (INode* node = pblock->GetINode(table, 0, k)) ReplaceReference(ref, node);
    }
}

RefResult Scatter::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID&, RefMessage message, BOOL) {
    if (hTarget && hTarget == pblock) {
        // The block reports its own changes only once the value is stored:
        // the moment for what the accessor asked.
        if (message == REFMSG_CHANGE) flushPending();
        return REF_SUCCEED;
    }
    if (message == REFMSG_TARGET_DELETED) {
        for (int i = 1; i <= links.size(); ++i)
            if (links[i - 1] == hTarget) ReplaceReference(i, nullptr, FALSE);
        dirty = true;
    } else if (message == REFMSG_CHANGE) {
        dirty = true;
    }
    return REF_SUCCEED;
}

RefTargetHandle Scatter::Clone(RemapDir& remap) {
    auto* copy = static_cast<Scatter*>(PluginTemplate::Clone(remap));
    // Nodes cloned in the same operation reach the copy's block only when
    // the clone is patched up; link to them then.
    remap.AddPostPatchProc([copy](RemapDir&) { copy->rebuildDependencyLinks(); });
    return copy;
}

void Scatter::copyFrom(const Scatter& source) {
    legacy = source.legacy;
    dirty = true;
    rebuildDependencyLinks();
}

IOResult Scatter::Load(ILoad* iload) {
    dirty = true;
    auto* callback = new ScatterPostLoad(this);
    if (pendingPostLoad) pendingPostLoad->forget();
    pendingPostLoad = callback;
    iload->RegisterPostLoadCallback(callback);
    return PluginTemplate::Load(iload);
}

BaseInterface* Scatter::GetInterface(Interface_ID id) {
    if (id == IOBJECT_DISPLAY2_INTERFACE_ID) return static_cast<IObjectDisplay2*>(this);
    return PluginTemplate::GetInterface(id);
}

// ---------------------------------------------------------------------------
// Keeping the distribution current

void Scatter::requestRegeneration(TimeValue t, bool rebuildLinks) {
    if (convertingLoaded) {
        dirty = true;
        return;
    }
    const bool links = rebuildLinks || (pending && pending->rebuildLinks);
    pending = Pending{t, links};
}

void Scatter::flushPending() {
    if (!pending) return;
    const Pending work = *pending;
    pending.reset();
    if (work.rebuildLinks) rebuildDependencyLinks();
    regenerate(work.t);
}

void Scatter::regenerate(TimeValue t) {
    if (!pblock) return;
    const ScatterDistribution::Pass pass = distribution_.regenerate(pblock, t, legacy, dirty);
    generationTime = t;
    meshCacheStale = true;
    if (pass.gathered) settings_ = distribution_.settings();
}

void Scatter::ensureCurrent(TimeValue t) {
    flushPending();
    if (dirty || generationTime != t) regenerate(t);
}

void Scatter::ensureCurrentForQueries() {
    flushPending();
    if (generationTime == TIME_NegInfinity) regenerate(GetCOREInterface()->GetTime());
    else if (dirty) regenerate(generationTime);
}

bool Scatter::anyMapAssigned(TimeValue t) {
    for (ParamID id : LINKED_MAPS)
        if (pblock->GetReferenceTarget(id, t)) return true;
    return false;
}

void Scatter::update(const Point3& renderCamera, TimeValue t) {
    if (!pblock) return;
    flushPending();
    const Point3 previous = pblock->GetPoint3(scatter_lastRenderCamera, t);
    pblock->SetValue(scatter_lastRenderCamera, t, renderCamera);
    settings_ = ScatterSettings::read(pblock, t, legacy);
    if (!dirty && generationTime == t) {
        if (previous.x == renderCamera.x && previous.y == renderCamera.y && previous.z == renderCamera.z) return;
        // Only map evaluation sees the camera.
        if (!anyMapAssigned(t)) return;
    }
    regenerate(t);
}

void Scatter::nodeTableChanged(tab_changes change, ParamID id, int tabIndex, int count) {
    if (!pblock) return;
    const ParamID companion =
        id == scatter_distributionObjects ? scatter_distributionObjectsDensity : scatter_scatteredObjectsFrequency;
    PB2Value one(1.0f);
    switch (change) {
    case tab_append:
        for (int k = 0; k < count; ++k) pblock->Append(companion, 1, &one);
        break;
    case tab_insert:
        for (int k = 0; k < count; ++k) pblock->Insert(companion, tabIndex + k, 1, &one);
        break;
    case tab_delete: pblock->Delete(companion, tabIndex, count); break;
    case tab_setcount:
        // A shorter companion would hand the next node an old neighbour's value.
        pblock->SetCount(companion, count);
        break;
    case tab_ref_deleted:
        // The node is still being deleted and still in the table: gathering
        // now would keep it. The deletion leaves the entry empty; the next
        // consumer regenerates.
        dirty = true;
        return;
    default: NIMBAL_STOP();
    }
    regenerate(GetCOREInterface()->GetTime());
    rebuildDependencyLinks();
}

// ---------------------------------------------------------------------------
// Instances for renderers and scripts

int32_t Scatter::numInstances() {
    ensureCurrentForQueries();
    return distribution_.numInstances();
}

INode* Scatter::instanceNode(int32_t i) {
    ensureCurrentForQueries();
    return distribution_.instanceNode(i);
}

Matrix3 Scatter::instanceTm(int32_t i) {
    ensureCurrentForQueries();
    if (i < 0 || i >= distribution_.numInstances()) return zeroMatrix();
    return toHostMatrix(distribution_.instanceTm(i, settings_));
}

void Scatter::convertToGeometry(TimeValue t) {
    Interface* ip = GetCOREInterface();
    QuietScope quiet(ip);
    if (!pblock) return;
    update(pblock->GetPoint3(scatter_lastRenderCamera, t), t);
    const int32_t count = distribution_.numInstances();
    for (int32_t i = 0; i < count; ++i) {
        INode* source = distribution_.instanceNode(i);
        if (!source) continue;
        const Matrix3 tm = toHostMatrix(distribution_.instanceTm(i, settings_));
        INodeTab nodes{source};
        INodeTab made;
        if (!ip->CloneNodes(nodes, Point3(0.0f, 0.0f, 0.0f), false, NODE_INSTANCE, nullptr, &made) || made.empty())
            continue;
        INode* clone = made.front();
        // The clone keeps the original's pivot offset; its object, not its
        // pivot, must stand where the renderer puts the instance.
        clone->SetNodeTM(t, Inverse(clone->GetObjOffsetTM()) * tm);
        clone->SetName(MSTR(u"NScatter_convert_") + source->GetName());
    }
}

}  // namespace Nimbal
