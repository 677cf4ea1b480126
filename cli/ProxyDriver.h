// The proxy object as a host drives it: created through its descriptor, set
// through its parameters by name, asked through its host methods, its rollout
// and its published "ProxyFp" functions.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "PluginHost.h"

namespace CLI {
class Validator;
}

namespace cli {

// A system unit the commands accept ("mm", "cm", "m", "km", "in", "ft", "mi"
// and their long names).
struct SceneUnit {
    int type;
    const char* name;
};
bool ParseUnit(std::string_view text, SceneUnit& unit);
// The names accepted, for help texts.
std::string UnitNames();
// Makes one system unit one `unit`; proxies made afterwards read in it.
void UseUnit(const SceneUnit& unit);

// A fresh scene in the unit named (the host's own, the inch, for ""),
// emptied again however the command ends: nothing of the module may
// outlive it.
class UnitScene {
public:
    explicit UnitScene(const std::string& units);
    ~UnitScene();
    UnitScene(const UnitScene&) = delete;
    UnitScene& operator=(const UnitScene&) = delete;

    // The unit's short name ("in", "mm", ...), for output.
    const std::string& Unit() const { return unit_; }

private:
    std::string unit_;
};

// Checks of the options the proxy and scatter commands share.
// A unit name ParseUnit knows.
CLI::Validator UnitValidator();
// A number from lo to hi (a whole one when `whole`), said plainly when the
// text is not a number at all.
CLI::Validator NumberIn(double lo, double hi, bool whole);
// One of `names` (any case), passed on as its number; the numbers
// themselves are taken too.
CLI::Validator Choice(const std::vector<std::pair<std::string, int>>& names);
// Whether `path` ends in `extension` (".png"), in any case.
bool HasExtension(const std::string& path, std::string_view extension);

// The format a proxy chooses for a file name, by its extension.
std::string ProxyFormatName(const std::string& fileName);

// A proxy in a node of the scene.
class ProxyNode {
public:
    explicit ProxyNode(const std::string& nodeName = "Nimbal Proxy");
    ProxyNode(const ProxyNode&) = delete;
    ProxyNode& operator=(const ProxyNode&) = delete;

    INode* Node() const { return node_; }
    GeomObject* Object() const { return proxy_; }

    // A scripted set by internal name; a refusal is a Failure.
    void Set(std::string_view param, const PB2Value& value);
    // The status line of the proxy's rollout.
    std::string StatusText();
    // Whether the file is loaded (a render mesh can be had).
    bool Loaded();

private:
    INode* node_ = nullptr;
    GeomObject* proxy_ = nullptr;
};

// What a proxy pointing at a file shows.
struct ProxyInfo {
    std::string file;
    std::string format;
    int status = 0;  // 2 loaded and kept in memory, 1 loaded and read on demand
    std::string statusText;
    int vertices = 0, faces = 0, normals = 0;
    int mapChannels = 0;   // channels that carry coordinates
    int channelSlots = 0;  // the mesh's channel count, unsupported ones included
    std::array<float, 3> bboxMin{}, bboxMax{};
    std::string originalMaterialName, originalObjectName;
};

// Points the proxy at `file` and reads what it shows. Failure "Error loading
// proxy: <file> (<status text>)" when the file cannot be read.
ProxyInfo InspectProxy(ProxyNode& proxy, const std::string& file);
// The same for a proxy that already names `file`.
ProxyInfo DescribeProxy(ProxyNode& proxy, const std::string& file);
// The failure InspectProxy reports for a proxy that could not read `file`.
Failure LoadFailure(ProxyNode& proxy, const std::string& file);

// The descriptor's "ProxyFp" functions.
// "fromScene": true when the proxy in proxyNode was made from source into file.
bool FromScene(INode* proxyNode, INode* source, const std::string& file);
std::string OriginalName(INode* proxyNode, bool material);

// The rollout's "Convert proxies in directory..." button, pressed as a user
// would: its folder dialog answered with `root`, the host's progress bar
// passed to `progress` (percent, title). The text of the report box it shows;
// empty when it showed none.
std::string ConvertDirectory(const std::string& root, const std::function<void(int, const std::string&)>& progress);

// A scene material that carries only a name, as an importer leaves one.
Mtl* NamedMaterial(const std::string& name);

}  // namespace cli
