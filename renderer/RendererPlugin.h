// The renderer plug-in as the host loads it: its entry points, its class
// descriptor, and making it the production renderer.
#pragma once

#include <memory>
#include <string>

#include "core-interface/NimbalMax.h"
#include "host/ClassDesc.h"

namespace Nimbal {

ClassDesc2* nimbalMaxClassDesc();

// The exported entry points of the renderer plug-in (one class: NimbalMax).
PluginEntryPoints rendererEntryPoints();

// Loads the plug-in into the host's class directory, as the host does at
// start-up; the classes leave the directory with the returned library.
std::unique_ptr<PluginLibrary> loadRendererPlugin(std::string& error);

// A new NimbalMax made through the host's class directory and assigned as the
// production renderer; null when the plug-in is not loaded.
NimbalMax* makeProductionRenderer(Interface* ip);

} // namespace Nimbal
