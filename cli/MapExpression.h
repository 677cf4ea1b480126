// Parameters set from the command line the way a script sets them
// (`--set NAME=VALUE`), and the map expressions a map parameter takes:
// "none", "@FILE" (a bitmap map showing FILE) or a map class name. Nested
// maps are reached with dotted names (texmap1.color), table entries with an
// index (colors[2]).
#pragma once

#include <string>

#include "PluginHost.h"

namespace cli {

// Bad --set syntax: exit code 2, like any other misuse of the command line.
struct Usage {
    std::string message;
};

// A new map of a class given by name: the library's first, then the host's
// own; a Failure for an unknown class or one that is not a map.
Texmap* CreateMap(PluginHost& host, const std::string& className);
// A new map from an expression; null for "none" (and for "").
ReferenceTarget* MakeMap(PluginHost& host, const std::string& expression);

class ParamSetter {
public:
    // Values are set at time t.
    explicit ParamSetter(PluginHost& host, TimeValue t = 0) : host_(host), t_(t) {}

    // "NAME=VALUE" on `root`: Usage for bad syntax, Failure for a value the
    // parameter refuses.
    void Set(ReferenceTarget* root, const std::string& assignment);
    // The same with the name and the value apart.
    void Set(ReferenceTarget* root, const std::string& path, const std::string& value);

private:
    PluginHost& host_;
    TimeValue t_;
};

}  // namespace cli
