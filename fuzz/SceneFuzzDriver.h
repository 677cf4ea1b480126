// The driver shared by the scene-loading fuzz targets. A target defines the
// three hooks below and includes this header in its one source file: with
// NIMBAL_SCENE_SEEDS=<dir> it writes its seed scenes into <dir> and exits;
// otherwise every input goes through the scene loader and, when it loads,
// through the target's own use of the scene.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/Max.h"

namespace scene_fuzz {

// Makes the target's classes known to the loader.
void RegisterClasses();
// Builds small scenes and saves each with WriteSeed.
void WriteSeeds(const std::string& dir);
// What a plug-in, a renderer or the viewport does with a loaded scene.
void UseScene(Interface* ip);

inline void WriteSeed(const std::string& dir, const char* name, Interface* ip) {
    std::string error;
    if (!SceneFile::Save(*ip, dir + "/" + name, error)) std::fprintf(stderr, "%s: %s\n", name, error.c_str());
}

}  // namespace scene_fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    scene_fuzz::RegisterClasses();
    GetCOREInterface()->SetQuietMode(TRUE);
    if (const char* dir = std::getenv("NIMBAL_SCENE_SEEDS")) {
        scene_fuzz::WriteSeeds(dir);
        std::exit(0);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Interface* ip = GetCOREInterface();
    std::string error;
    if (SceneFile::LoadBytes(*ip, data, size, error)) {
        scene_fuzz::UseScene(ip);
    } else if (error.empty()) {
        std::abort();  // every refusal says why
    }
    ip->ResetScene();
    AnimateOff();
    return 0;
}
