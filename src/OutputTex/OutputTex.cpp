#include "OutputTex/OutputTex.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_OUTPUTTEX_PB = 17000,
    IDS_OUTPUTTEX_ROLLOUT_0 = 17001,
    IDS_AFFECTED_TIP = 17010,
};

// Control ids of dialog template 1490.
enum : int {
    IDC_AFFECTED = 1238,
    IDC_INPUT_MAP = 1239,
};

const StringTable strings{
    {IDS_OUTPUTTEX_PB, "Map output pblock"},
    {IDS_OUTPUTTEX_ROLLOUT_0, "Nimbal Colormapping Output Texmap"},
    {IDS_AFFECTED_TIP, "When this checkbox is disabled, any post-production color mapping is removed from this texture."},
};

const DialogTable dialogs{
    {1490, "Nimbal Colormapping Output Texmap",
     {{IDC_INPUT_MAP, "map", "Input:"},
      {IDC_AFFECTED, "check", "Affected by color mapping"}}},
};

class OutputTexCd : public ClassDescCommon {
public:
    OutputTexCd() : ClassDescCommon(TEXMAP_CAT_COLMOD, "NimbalOutput", TEXMAP_CLASS_ID, Class_ID(0x81426DC9, 0x37843900)) {}
    void* Create(BOOL) override { return new (std::nothrow) OutputTex(); }
};

OutputTexCd outputTexCd;

ParamBlockDesc2 outputTexPbDesc(
    BlockDesc{0, "NimbalOutputTex", IDS_OUTPUTTEX_PB, &outputTexCd, P_AUTO_CONSTRUCT | P_AUTO_UI, 0, 0,
             {
             RolloutDesc{0, 1490, IDS_OUTPUTTEX_ROLLOUT_0, 0, nullptr}
             }},
    {
        {.id = 101, .name = "affectedByColorMapping", .type = TYPE_BOOL, .flags = P_ANIMATABLE, .def = false,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_AFFECTED}}, .tooltip = IDS_AFFECTED_TIP},
        {.id = 100, .name = "inputTexmap", .type = TYPE_TEXMAP, .ui = {TYPE_TEXMAPBUTTON, {IDC_INPUT_MAP}},
         .subTexNo = 0},
    });
}  // namespace

ClassDesc2* OutputTexTraits::classDesc() { return &outputTexCd; }
ClassDescCommon* outputTexClassDesc() { return &outputTexCd; }

OutputTex::OutputTex() { addSubTexmapSlot("Input", 100, 0); }

}  // namespace Nimbal
