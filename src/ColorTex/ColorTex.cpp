#include "ColorTex/ColorTex.h"

#include <limits>

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_COLORTEX_PB = 15000,
    IDS_COLORTEX_ROLLOUT_0 = 15001,
    IDS_SOLID_COLOR = 15010,
    IDS_SOLID_HDR_COLOR,
    IDS_SOLID_HDR_COLOR_TIP,
    IDS_KELVIN_TEMP,
    IDS_HEX_COLOR,
    IDS_HEX_COLOR_TIP,
    IDS_INPUT_IS_LINEAR,
    IDS_ALPHA,
    IDS_OUTPUT_MULTIPLIER,
    IDS_OUTPUT_MULTIPLIER_TIP,
};

// Control ids of dialog template 1501.
enum : int {
    IDC_INPUT_IS_LINEAR = 1012,
    IDC_HEX_COLOR = 1013,
    IDC_SOLID_COLOR = 1378,
    IDC_TEMPERATURE = 1385,
    IDC_TEMPERATURE_SPIN = 1386,
    IDC_METHOD_TEMPERATURE = 1388,
    IDC_METHOD_SOLID = 1389,
    IDC_METHOD_HDR = 1390,
    IDC_METHOD_HEX = 1699,
    IDC_RESULT_PREVIEW = 1706,
    IDC_HDR_R = 2001,
    IDC_HDR_R_SPIN,
    IDC_HDR_G,
    IDC_HDR_G_SPIN,
    IDC_HDR_B,
    IDC_HDR_B_SPIN,
    IDC_ALPHA,
    IDC_ALPHA_SPIN,
    IDC_MULTIPLIER,
    IDC_MULTIPLIER_SPIN,
    IDC_8BIT_VALUES = 10585,
};

const StringTable strings{
    {IDS_COLORTEX_PB, "Nimbal Solid Color texmap pblock"},
    {IDS_COLORTEX_ROLLOUT_0, "Nimbal Solid Color Texmap"},
    {IDS_SOLID_COLOR, "Solid color:"},
    {IDS_SOLID_HDR_COLOR, "Solid HDR color:"},
    {IDS_SOLID_HDR_COLOR_TIP, "The same as the solid color, but with values above 1 or below 0"},
    {IDS_KELVIN_TEMP, "Kelvin temp.:"},
    {IDS_HEX_COLOR, "Hex color:"},
    {IDS_HEX_COLOR_TIP, "Web hex color input (in form of #rrggbb). Leading pound character is optional"},
    {IDS_INPUT_IS_LINEAR, "Input values are in linear color space"},
    {IDS_ALPHA, "Alpha:"},
    {IDS_OUTPUT_MULTIPLIER, "Output multiplier:"},
    {IDS_OUTPUT_MULTIPLIER_TIP, "Multiplies the result by a constant number."},
};

const DialogTable dialogs{
    {1501, "Nimbal Solid Color Texmap",
     {{IDC_METHOD_SOLID, "radio", "Solid color:"},
      {IDC_SOLID_COLOR, "color", ""},
      {IDC_METHOD_HDR, "radio", "Solid HDR color:"},
      {IDC_HDR_R, "spinner", ""},
      {IDC_HDR_G, "spinner", ""},
      {IDC_HDR_B, "spinner", ""},
      {IDC_METHOD_TEMPERATURE, "radio", "Kelvin temp.:"},
      {IDC_TEMPERATURE, "spinner", ""},
      {IDC_METHOD_HEX, "radio", "Hex color:"},
      {IDC_HEX_COLOR, "edit", ""},
      {IDC_INPUT_IS_LINEAR, "check", "Input values are in linear color space"},
      {IDC_ALPHA, "spinner", "Alpha:"},
      {IDC_MULTIPLIER, "spinner", "Output multiplier:"},
      {IDC_RESULT_PREVIEW, "color", "Result color preview"},
      {IDC_8BIT_VALUES, "label", ""}}},
};

class ColorTexCd : public ClassDescCommon {
public:
    ColorTexCd() : ClassDescCommon(TEXMAP_CAT_2D, "NimbalColor", TEXMAP_CLASS_ID, Class_ID(0x68426DCA, 0x372362D4)) {}
    void* Create(BOOL) override { return new (std::nothrow) ColorTex(); }
};

ColorTexCd colorTexCd;

constexpr double kInfinity = std::numeric_limits<double>::infinity();

ParamBlockDesc2 colorTexPbDesc(
    BlockDesc{0, "NimbalColorPb", IDS_COLORTEX_PB, &colorTexCd, P_AUTO_CONSTRUCT | P_AUTO_UI, 0, 0,
             {
             RolloutDesc{0, 1501, IDS_COLORTEX_ROLLOUT_0, 0, nullptr}
             }},
    {
        // The declared range stops at 2 although the fourth button writes 3;
        // the radio values are accepted besides it.
        {.id = 50, .name = "method", .type = TYPE_INT, .flags = P_ANIMATABLE, .def = 0, .range = ParamRange{0, 2},
         .ui = {TYPE_RADIO, {IDC_METHOD_SOLID, IDC_METHOD_HDR, IDC_METHOD_TEMPERATURE, IDC_METHOD_HEX}, 0.0f,
                {{IDS_SOLID_COLOR, 0}, {IDS_SOLID_HDR_COLOR, 1}, {IDS_KELVIN_TEMP, 2}, {IDS_HEX_COLOR, 3}}}},
        {.id = 52, .name = "color", .type = TYPE_RGBA, .flags = P_ANIMATABLE, .def = Color(1.0f, 1.0f, 1.0f),
         .ui = {TYPE_COLORSWATCH, {IDC_SOLID_COLOR}}, .localName = IDS_SOLID_COLOR},
        {.id = 58, .name = "colorHdr", .type = TYPE_POINT3, .flags = P_ANIMATABLE, .def = Point3(1.0f, 1.0f, 1.0f),
         .range = ParamRange{-kInfinity, kInfinity},
         .ui = {TYPE_SPINNER, {IDC_HDR_R, IDC_HDR_R_SPIN, IDC_HDR_G, IDC_HDR_G_SPIN, IDC_HDR_B, IDC_HDR_B_SPIN}, 0.01f},
         .localName = IDS_SOLID_HDR_COLOR, .tooltip = IDS_SOLID_HDR_COLOR_TIP},
        {.id = 51, .name = "temperature", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 6500.0f,
         .range = ParamRange{1000, 50000}, .ui = {TYPE_SPINNER, {IDC_TEMPERATURE, IDC_TEMPERATURE_SPIN}, 10.0f},
         .localName = IDS_KELVIN_TEMP},
        {.id = 59, .name = "hexColor", .type = TYPE_STRING, .def = "#FFFFFF", .ui = {TYPE_EDITBOX, {IDC_HEX_COLOR}},
         .localName = IDS_HEX_COLOR, .tooltip = IDS_HEX_COLOR_TIP},
        {.id = 60, .name = "inputIsLinear", .type = TYPE_BOOL, .def = true,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_INPUT_IS_LINEAR}}, .localName = IDS_INPUT_IS_LINEAR},
        {.id = 56, .name = "alpha", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 1.0f, .range = ParamRange{0, 1},
         .ui = {TYPE_SPINNER, {IDC_ALPHA, IDC_ALPHA_SPIN}, 0.01f}, .localName = IDS_ALPHA},
        {.id = 57, .name = "multiplier", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 1.0f,
         .range = ParamRange{0, 9999}, .ui = {TYPE_SPINNER, {IDC_MULTIPLIER, IDC_MULTIPLIER_SPIN}, 0.01f},
         .localName = IDS_OUTPUT_MULTIPLIER, .tooltip = IDS_OUTPUT_MULTIPLIER_TIP},
    });
}  // namespace

ClassDesc2* ColorTexTraits::classDesc() { return &colorTexCd; }
ClassDescCommon* colorTexClassDesc() { return &colorTexCd; }

ColorTex::ColorTex() = default;

}  // namespace Nimbal
