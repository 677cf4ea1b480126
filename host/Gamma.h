// The host's gamma settings: whether gamma correction is on, the display
// gamma and the gammas assumed for files read and written.
#pragma once

#include "host/Types.h"

class GammaMgr {
public:
    BOOL IsEnabled() const { return enable; }
    void Enable(BOOL on) { enable = on ? TRUE : FALSE; }
    float GetDisplayGamma() const { return dispGamma; }
    float GetFileInGamma() const { return fileInGamma; }
    float GetFileOutGamma() const { return fileOutGamma; }
    // A gamma that is not a finite positive number is refused (false) and
    // the old one kept: everything downstream raises values to its power.
    bool SetDisplayGamma(float g);
    bool SetFileInGamma(float g);
    bool SetFileOutGamma(float g);
    // Gamma correction on, 2.2 everywhere: the host's start-up state.
    void Reset();

    BOOL enable = TRUE;
    float dispGamma = 2.2f;
    float fileInGamma = 2.2f;
    float fileOutGamma = 2.2f;
};

extern GammaMgr gammaMgr;

// Whether a gamma is usable: finite and positive.
bool IsValidGamma(float g);
