// The library's exported entry points, for hosts that link it in.
#pragma once

#include "host/ClassDesc.h"

extern "C" {
const MCHAR* LibDescription();
int LibNumberClasses();
ClassDesc* LibClassDesc(unsigned int i);
ULONG LibVersion();
int LibInitialize();
int LibShutdown();
ULONG CanAutoDefer();
}

// The entry points as a table, for PluginLibrary::FromEntryPoints.
inline PluginEntryPoints nimbalEntryPoints() {
    PluginEntryPoints e;
    e.LibDescription = &LibDescription;
    e.LibNumberClasses = &LibNumberClasses;
    e.LibClassDesc = &LibClassDesc;
    e.LibVersion = &LibVersion;
    e.LibInitialize = &LibInitialize;
    e.LibShutdown = &LibShutdown;
    e.CanAutoDefer = &CanAutoDefer;
    return e;
}
