// The command-line tool's host session: the host stand-in with the library
// loaded through its entry points, quiet, with message boxes echoed to stderr.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/Max.h"

namespace cli {

// A failed operation: exit code 1 with its message on stderr.
struct Failure {
    std::string message;
};

class PluginHost {
public:
    // Loads the plug-in module: NIMBAL_PLUGIN, or the module beside this
    // executable.
    static PluginHost& Get();

    PluginLibrary& Library() { return *library_; }
    // Registered classes in registry order.
    std::vector<ClassDesc*> Classes();
    ClassDesc* FindClass(const std::string& name);
    // A new instance of a class, or a Failure.
    ReferenceTarget* Create(ClassDesc* cd);
    // Message boxes are echoed on stderr, unless a command shows one itself.
    static void EchoMessageBoxes(bool on);

private:
    PluginHost();
    std::unique_ptr<PluginLibrary> library_;
};

std::string ModulePath();

// The plug-in class behind an instance ("Mtl" for Nimbal::Mtl).
std::string PluginClassName(Animatable* obj);
std::string Hex(uint32_t v);

}  // namespace cli
