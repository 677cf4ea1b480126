#include "camera-modifier/CameraMod.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_CAMERAMOD_PB = 16000,
    IDS_CAMERAMOD_ROLLOUT_0 = 16001,
};

const StringTable strings{
    {IDS_CAMERAMOD_PB, "Camera modifier paramblock"},
    {IDS_CAMERAMOD_ROLLOUT_0, "Nimbal Camera Modifier"},
};

class CameraModCd : public ClassDescCommon {
public:
    CameraModCd() : ClassDescCommon("Camera Modifiers", "NimbalCameraMod", OSM_CLASS_ID, Class_ID(0xA387449C, 0x1DEDED8F)) {}
    void* Create(BOOL) override { return new (std::nothrow) CameraMod(); }
};

CameraModCd cameraModCd;

ParamBlockDesc2 cameraModPbDesc(
    BlockDesc{6, "CameraModPb", IDS_CAMERAMOD_PB, &cameraModCd, P_AUTO_CONSTRUCT | P_AUTO_UI, 0, 0,
             {
             RolloutDesc{0, 1714, IDS_CAMERAMOD_ROLLOUT_0, 0, nullptr}
             }},
    {});
}  // namespace

ClassDesc2* CameraModTraits::classDesc() { return &cameraModCd; }
ClassDescCommon* cameraModClassDesc() { return &cameraModCd; }

CameraMod::CameraMod() = default;

}  // namespace Nimbal
