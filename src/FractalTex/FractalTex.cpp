#include "FractalTex/FractalTex.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_FRACTALTEX_PB = 25000,
    IDS_FRACTALTEX_ROLLOUT_0 = 25001,
    IDS_UVGEN = 25010,
    IDS_TYPE,
    IDS_ITERATIONS,
    IDS_MANDELBROT_POWER_FACTOR,
    IDS_MANDELRECT_S,
    IDS_MANDELRECT_R,
    IDS_MANDELRECT_F,
    IDS_JULIA_REAL,
    IDS_JULIA_IMAGINARY,
    IDS_MANDELBROT_SET = 25030,
    IDS_MANDELBOX_2D,
    IDS_JULIA_SET,
};

// Control ids of the rollout's dialog template.
enum : int {
    IDC_TYPE_MANDELBROT = 1001,
    IDC_TYPE_MANDELBOX,
    IDC_TYPE_JULIA,
    IDC_ITERATIONS,
    IDC_ITERATIONS_SPIN,
    IDC_POWER,
    IDC_POWER_SPIN,
    IDC_MANDELRECT_S,
    IDC_MANDELRECT_S_SPIN,
    IDC_MANDELRECT_R,
    IDC_MANDELRECT_R_SPIN,
    IDC_MANDELRECT_F,
    IDC_MANDELRECT_F_SPIN,
    IDC_JULIA_REAL,
    IDC_JULIA_REAL_SPIN,
    IDC_JULIA_IMAGINARY,
    IDC_JULIA_IMAGINARY_SPIN,
};

const StringTable strings{
    {IDS_FRACTALTEX_PB, "Fractal map paramblock"},
    {IDS_FRACTALTEX_ROLLOUT_0, "Nimbal Fractal Map"},
    {IDS_UVGEN, "uvgen"},
    {IDS_TYPE, "type"},
    {IDS_ITERATIONS, "iterations"},
    {IDS_MANDELBROT_POWER_FACTOR, "mandelbrotPowerFactor"},
    {IDS_MANDELRECT_S, "mandelrectS"},
    {IDS_MANDELRECT_R, "mandelrectR"},
    {IDS_MANDELRECT_F, "mandelrectF"},
    {IDS_JULIA_REAL, "juliaReal"},
    {IDS_JULIA_IMAGINARY, "juliaImaginary"},
    {IDS_MANDELBROT_SET, "Mandelbrot set"},
    {IDS_MANDELBOX_2D, "2D Mandelbox"},
    {IDS_JULIA_SET, "Julia set"},
};

const DialogTable dialogs{
    {1715, "Nimbal Fractal Map",
     {{IDC_TYPE_MANDELBROT, "radio", "Mandelbrot set"},
      {IDC_TYPE_MANDELBOX, "radio", "2D Mandelbox"},
      {IDC_TYPE_JULIA, "radio", "Julia set"},
      {IDC_ITERATIONS, "spinner", "Iterations:"},
      {IDC_POWER, "spinner", "Mandelbrot power:"},
      {IDC_MANDELRECT_S, "spinner", "Mandelbox S:"},
      {IDC_MANDELRECT_R, "spinner", "Mandelbox R:"},
      {IDC_MANDELRECT_F, "spinner", "Mandelbox F:"},
      {IDC_JULIA_REAL, "spinner", "Julia constant (real):"},
      {IDC_JULIA_IMAGINARY, "spinner", "Julia constant (imaginary):"}}},
};

class FractalTexCd : public ClassDescCommon {
public:
    FractalTexCd() : ClassDescCommon(TEXMAP_CAT_2D, "NimbalFractal2D", TEXMAP_CLASS_ID, Class_ID(0x4F64749D, 0x11711D2B)) {}
    void* Create(BOOL) override { return new (std::nothrow) FractalTex(); }
};

FractalTexCd fractalTexCd;

ParamBlockDesc2 fractalTexPbDesc(
    BlockDesc{0, "NimbalFractalMapPb", IDS_FRACTALTEX_PB, &fractalTexCd, P_AUTO_CONSTRUCT | P_AUTO_UI, 0, 0,
             {
             RolloutDesc{0, 1715, IDS_FRACTALTEX_ROLLOUT_0, 0, nullptr}
             }},
    {
        // The 2D coordinate generator; it shows its own rollout, not a control here.
        {.id = 666, .name = "uvGen", .type = TYPE_REFTARG, .localName = IDS_UVGEN, .refNo = 1},
        {.id = 0, .name = "type", .type = TYPE_INT, .flags = P_ANIMATABLE, .def = 0, .range = ParamRange{0, 2},
         .ui = {TYPE_RADIO, {IDC_TYPE_MANDELBROT, IDC_TYPE_MANDELBOX, IDC_TYPE_JULIA}, 0.0f,
                {{IDS_MANDELBROT_SET, 0}, {IDS_MANDELBOX_2D, 1}, {IDS_JULIA_SET, 2}}},
         .localName = IDS_TYPE},
        {.id = 1, .name = "iterations", .type = TYPE_INT, .flags = P_ANIMATABLE, .def = 100, .range = ParamRange{1, 999},
         .ui = {TYPE_SPINNER, {IDC_ITERATIONS, IDC_ITERATIONS_SPIN}, 1.0f}, .localName = IDS_ITERATIONS},
        {.id = 2, .name = "power", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 2.0f, .range = ParamRange{-99, 99},
         .ui = {TYPE_SPINNER, {IDC_POWER, IDC_POWER_SPIN}, 0.01f}, .localName = IDS_MANDELBROT_POWER_FACTOR},
        {.id = 3, .name = "mandelrectS", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 2.0f, .range = ParamRange{-99, 99},
         .ui = {TYPE_SPINNER, {IDC_MANDELRECT_S, IDC_MANDELRECT_S_SPIN}, 0.01f}, .localName = IDS_MANDELRECT_S},
        {.id = 4, .name = "mandelrectR", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 0.5f,
         .range = ParamRange{0.001, 1.0}, .ui = {TYPE_SPINNER, {IDC_MANDELRECT_R, IDC_MANDELRECT_R_SPIN}, 0.01f},
         .localName = IDS_MANDELRECT_R},
        {.id = 5, .name = "mandelrectF", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 1.0f, .range = ParamRange{0.1, 10},
         .ui = {TYPE_SPINNER, {IDC_MANDELRECT_F, IDC_MANDELRECT_F_SPIN}, 0.01f}, .localName = IDS_MANDELRECT_F},
        {.id = 6, .name = "juliaRealConstant", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = -0.74543f,
         .range = ParamRange{-2, 2}, .ui = {TYPE_SPINNER, {IDC_JULIA_REAL, IDC_JULIA_REAL_SPIN}, 0.001f},
         .localName = IDS_JULIA_REAL},
        {.id = 7, .name = "juliaImaginaryConstant", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = -0.11301f,
         .range = ParamRange{-2, 2}, .ui = {TYPE_SPINNER, {IDC_JULIA_IMAGINARY, IDC_JULIA_IMAGINARY_SPIN}, 0.001f},
         .localName = IDS_JULIA_IMAGINARY},
    });
}  // namespace

ClassDesc2* FractalTexTraits::classDesc() { return &fractalTexCd; }
ClassDescCommon* fractalTexClassDesc() { return &fractalTexCd; }

FractalTex::FractalTex() = default;

}  // namespace Nimbal
