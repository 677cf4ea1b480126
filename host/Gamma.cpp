#include "host/Gamma.h"

#include <cmath>

GammaMgr gammaMgr;

bool IsValidGamma(float g) { return std::isfinite(g) && g > 0.0f; }

bool GammaMgr::SetDisplayGamma(float g) {
    if (!IsValidGamma(g)) return false;
    dispGamma = g;
    return true;
}

bool GammaMgr::SetFileInGamma(float g) {
    if (!IsValidGamma(g)) return false;
    fileInGamma = g;
    return true;
}

bool GammaMgr::SetFileOutGamma(float g) {
    if (!IsValidGamma(g)) return false;
    fileOutGamma = g;
    return true;
}

void GammaMgr::Reset() { *this = GammaMgr(); }
