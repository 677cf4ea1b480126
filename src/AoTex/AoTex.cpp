#include "AoTex/AoTex.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_AOTEX_PB = 6000,
    IDS_AOTEX_ROLLOUT_0 = 6001,
    IDS_COLOR_OCCLUDED = 6010,
    IDS_COLOR_UNOCCLUDED,
    IDS_MAX_SAMPLES,
    IDS_MAX_DISTANCE,
    IDS_RAY_DIRECTIONALITY,
    IDS_COLOR_SPREAD,
    IDS_INVERT,
    IDS_DIRECTION_OFFSETS,
    IDS_TEXMAP_OCCLUDED,
    IDS_TEXMAP_UNOCCLUDED,
    IDS_TEXMAP_MAX_DISTANCE,
    IDS_EXCLUDES_MODE,
    IDS_EXCLUDE_LIST,
    IDS_EXCLUDE_INCLUDE_MODE,
    IDS_NO_EXCLUDES,
    IDS_USE_EXCLUDE_LIST,
    IDS_ONLY_SAME_OBJECT,
    IDS_ONLY_OTHER_OBJECTS,
};

// Control ids of dialog template 1476.
enum : int {
    IDC_COLOR_OCCLUDED = 1001,
    IDC_COLOR_UNOCCLUDED,
    IDC_SAMPLES,
    IDC_SAMPLES_SPIN,
    IDC_DISTANCE,
    IDC_DISTANCE_SPIN,
    IDC_DIRECTIONALITY,
    IDC_DIRECTIONALITY_SPIN,
    IDC_SPREAD,
    IDC_SPREAD_SPIN,
    IDC_INVERT,
    IDC_OFFSET_X,
    IDC_OFFSET_X_SPIN,
    IDC_OFFSET_Y,
    IDC_OFFSET_Y_SPIN,
    IDC_OFFSET_Z,
    IDC_OFFSET_Z_SPIN,
    IDC_MAP_OCCLUDED,
    IDC_MAP_UNOCCLUDED,
    IDC_MAP_DISTANCE,
    IDC_MAP_OCCLUDED_ON,
    IDC_MAP_UNOCCLUDED_ON,
    IDC_MAP_DISTANCE_ON,
    IDC_EXCLUDE_NONE,
    IDC_EXCLUDE_LIST,
    IDC_EXCLUDE_SAME,
    IDC_EXCLUDE_OTHER,
    IDC_EXCLUDE_BUTTON,
};

const StringTable strings{
    {IDS_AOTEX_PB, "AO paramblock"},
    {IDS_AOTEX_ROLLOUT_0, "Nimbal Ambient Occlusion Texmap"},
    {IDS_COLOR_OCCLUDED, "colorOccluded"},
    {IDS_COLOR_UNOCCLUDED, "colorUnoccluded"},
    {IDS_MAX_SAMPLES, "maxSamples"},
    {IDS_MAX_DISTANCE, "maxDistance"},
    {IDS_RAY_DIRECTIONALITY, "rayDirectionality"},
    {IDS_COLOR_SPREAD, "colorSpread"},
    {IDS_INVERT, "invert"},
    {IDS_DIRECTION_OFFSETS, "directionOffsets"},
    {IDS_TEXMAP_OCCLUDED, "texmapOccluded"},
    {IDS_TEXMAP_UNOCCLUDED, "texmapUnoccluded"},
    {IDS_TEXMAP_MAX_DISTANCE, "texmapMaxDistance"},
    {IDS_EXCLUDES_MODE, "excludesMode"},
    {IDS_EXCLUDE_LIST, "excludeList"},
    {IDS_EXCLUDE_INCLUDE_MODE, "excludeIncludeMode"},
    {IDS_NO_EXCLUDES, "No excludes"},
    {IDS_USE_EXCLUDE_LIST, "Use exclude list:"},
    {IDS_ONLY_SAME_OBJECT, "Only the same object occludes"},
    {IDS_ONLY_OTHER_OBJECTS, "Only other objects occlude"},
};

const DialogTable dialogs{
    {1476, "Nimbal Ambient Occlusion Texmap",
     {{IDC_COLOR_OCCLUDED, "color", "Occluded color:"},
      {IDC_COLOR_UNOCCLUDED, "color", "Unoccluded color:"},
      {IDC_SAMPLES, "spinner", "Max samples:"},
      {IDC_DISTANCE, "spinner", "Max distance:"},
      {IDC_DIRECTIONALITY, "spinner", "Ray directionality:"},
      {IDC_SPREAD, "spinner", "Color spread:"},
      {IDC_INVERT, "check", "Invert normals"},
      {IDC_OFFSET_X, "spinner", "Direction offsets:"},
      {IDC_OFFSET_Y, "spinner", ""},
      {IDC_OFFSET_Z, "spinner", ""},
      {IDC_MAP_OCCLUDED, "map", ""},
      {IDC_MAP_UNOCCLUDED, "map", ""},
      {IDC_MAP_DISTANCE, "map", ""},
      {IDC_MAP_OCCLUDED_ON, "check", ""},
      {IDC_MAP_UNOCCLUDED_ON, "check", ""},
      {IDC_MAP_DISTANCE_ON, "check", ""},
      {IDC_EXCLUDE_NONE, "radio", "No excludes"},
      {IDC_EXCLUDE_LIST, "radio", "Use exclude list:"},
      {IDC_EXCLUDE_SAME, "radio", "Only the same object occludes"},
      {IDC_EXCLUDE_OTHER, "radio", "Only other objects occlude"},
      {IDC_EXCLUDE_BUTTON, "button", "[Include/exclude...]"}}},
};

class AoTexCd : public ClassDescCommon {
public:
    AoTexCd() : ClassDescCommon(TEXMAP_CAT_3D, "NimbalAO", TEXMAP_CLASS_ID, Class_ID(0x26EA4249, 0x404B4B59)) {}
    void* Create(BOOL) override { return new (std::nothrow) AoTex(); }
};

AoTexCd aoTexCd;

ParamBlockDesc2 aoTexPbDesc(
    BlockDesc{0, "NimbalAoPb", IDS_AOTEX_PB, &aoTexCd, P_AUTO_CONSTRUCT | P_AUTO_UI, 0, 0,
             {
             RolloutDesc{0, 1476, IDS_AOTEX_ROLLOUT_0, 0, nullptr}
             }},
    {
        {.id = 0, .name = "colorOccluded", .type = TYPE_RGBA, .def = Color(0.0f, 0.0f, 0.0f),
         .ui = {TYPE_COLORSWATCH, {IDC_COLOR_OCCLUDED}}, .localName = IDS_COLOR_OCCLUDED},
        {.id = 1, .name = "colorUnoccluded", .type = TYPE_RGBA, .def = Color(1.0f, 1.0f, 1.0f),
         .ui = {TYPE_COLORSWATCH, {IDC_COLOR_UNOCCLUDED}}, .localName = IDS_COLOR_UNOCCLUDED},
        {.id = 2, .name = "samplesCount", .type = TYPE_INT, .def = 16, .range = ParamRange{4, 999},
         .ui = {TYPE_SPINNER, {IDC_SAMPLES, IDC_SAMPLES_SPIN}, 1.0f}, .localName = IDS_MAX_SAMPLES},
        {.id = 3, .name = "maxDistance", .type = TYPE_WORLD, .def = 100.0f,
         .range = ParamRange{0.0001, 10000000}, .ui = {TYPE_SPINNER, {IDC_DISTANCE, IDC_DISTANCE_SPIN}, 0.1f},
         .localName = IDS_MAX_DISTANCE, .dim = DIM_WORLD},
        {.id = 5, .name = "rayDirectionality", .type = TYPE_FLOAT, .def = 0.0f,
         .range = ParamRange{0, 1}, .ui = {TYPE_SPINNER, {IDC_DIRECTIONALITY, IDC_DIRECTIONALITY_SPIN}, 0.01f},
         .localName = IDS_RAY_DIRECTIONALITY},
        {.id = 4, .name = "colorSpread", .type = TYPE_FLOAT, .def = 0.0f,
         .range = ParamRange{-1, 1}, .ui = {TYPE_SPINNER, {IDC_SPREAD, IDC_SPREAD_SPIN}, 0.01f},
         .localName = IDS_COLOR_SPREAD},
        {.id = 6, .name = "invert", .type = TYPE_BOOL, .def = false, .ui = {TYPE_SINGLECHECKBOX, {IDC_INVERT}},
         .localName = IDS_INVERT},
        {.id = 19, .name = "directionOffsets", .type = TYPE_POINT3, .def = Point3(0.0f, 0.0f, 0.0f),
         .range = ParamRange{-10, 10},
         .ui = {TYPE_SPINNER, {IDC_OFFSET_X, IDC_OFFSET_X_SPIN, IDC_OFFSET_Y, IDC_OFFSET_Y_SPIN, IDC_OFFSET_Z, IDC_OFFSET_Z_SPIN}, 0.01f},
         .localName = IDS_DIRECTION_OFFSETS},
        {.id = 10, .name = "texmapOccluded", .type = TYPE_TEXMAP, .ui = {TYPE_TEXMAPBUTTON, {IDC_MAP_OCCLUDED}},
         .localName = IDS_TEXMAP_OCCLUDED, .subTexNo = 0},
        {.id = 11, .name = "texmapUnoccluded", .type = TYPE_TEXMAP, .ui = {TYPE_TEXMAPBUTTON, {IDC_MAP_UNOCCLUDED}},
         .localName = IDS_TEXMAP_UNOCCLUDED, .subTexNo = 1},
        {.id = 12, .name = "texmapDistance", .type = TYPE_TEXMAP, .ui = {TYPE_TEXMAPBUTTON, {IDC_MAP_DISTANCE}},
         .localName = IDS_TEXMAP_MAX_DISTANCE, .subTexNo = 2},
        {.id = 16, .name = "texmapOccludedOn", .type = TYPE_BOOL, .def = true,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_MAP_OCCLUDED_ON}}},
        {.id = 17, .name = "texmapUnoccludedOn", .type = TYPE_BOOL, .def = true,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_MAP_UNOCCLUDED_ON}}},
        {.id = 18, .name = "texmapDistanceOn", .type = TYPE_BOOL, .def = true,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_MAP_DISTANCE_ON}}},
        {.id = 13, .name = "excludeMode", .type = TYPE_INT, .def = 0, .range = ParamRange{0, 3},
         .ui = {TYPE_RADIO, {IDC_EXCLUDE_NONE, IDC_EXCLUDE_LIST, IDC_EXCLUDE_SAME, IDC_EXCLUDE_OTHER}, 0.0f,
                {{IDS_NO_EXCLUDES, 0}, {IDS_USE_EXCLUDE_LIST, 1}, {IDS_ONLY_SAME_OBJECT, 2}, {IDS_ONLY_OTHER_OBJECTS, 3}}},
         .localName = IDS_EXCLUDES_MODE},
        // Edited through the shared include/exclude editor that the button
        // opens, not through a generated list control.
        {.id = 14, .name = "excludeList", .type = TabOf(TYPE_INODE), .flags = P_VARIABLE_SIZE,
         .localName = IDS_EXCLUDE_LIST},
        {.id = 15, .name = "includeMod", .type = TYPE_BOOL, .def = false, .localName = IDS_EXCLUDE_INCLUDE_MODE},
    });
}  // namespace

ClassDesc2* AoTexTraits::classDesc() { return &aoTexCd; }
ClassDescCommon* aoTexClassDesc() { return &aoTexCd; }

AoTex::AoTex() {
    addSubTexmapSlot("Occluded color", 10, 16);
    addSubTexmapSlot("Unoccluded color", 11, 17);
    addSubTexmapSlot("AO Distance", 12, 18);
}

}  // namespace Nimbal
