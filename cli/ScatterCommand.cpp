// nimbal scatter: a scene built the way a user builds it in the host
// (distribution and scattered objects from files, a scatter with its
// parameters), the instances a renderer would read through "ScatterOps",
// and the viewport's preview as a picture.
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Commands.h"
#include "MapExpression.h"
#include "ProxyDriver.h"
#include "ScatterDriver.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

constexpr double DEG_TO_RAD = 3.14159265358979323846 / 180.0;

// The options, as given. Unset ones leave the block's values alone.
struct Options {
    std::vector<std::string> on, objects;
    std::string units;
    std::optional<int> count, seed, randomType, scatterType, previz;
    bool collision = false, alignNormals = false, uniformScaling = false;
    CLI::Option *collisionOpt = nullptr, *alignOpt = nullptr, *uniformOpt = nullptr;
    std::string translateMin, translateMax, rotateMin, rotateMax, scaleMin, scaleMax;
    std::string densityMap, scaleMapX, scaleMapY, scaleMapZ;
    std::string camera;
    double frame = 0.0;
    std::vector<std::string> sets;
    bool noGamma = false;
    std::string output, preview, save;
    int previewSize = 800;
};

bool ParseDouble(const std::string& text, double& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    out = std::strtod(text.c_str(), &end);
    return *end == '\0' && errno == 0 && std::isfinite(out);
}

// "X,Y,Z", or one number for all three when `oneForAll`.
bool ParseTriple(const std::string& text, bool oneForAll, std::array<double, 3>& out) {
    std::vector<double> n;
    size_t start = 0;
    while (true) {
        const size_t comma = text.find(',', start);
        double v;
        if (!ParseDouble(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start), v))
            return false;
        n.push_back(v);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    if (n.size() == 1 && oneForAll) n = {n[0], n[0], n[0]};
    if (n.size() != 3) return false;
    out = {n[0], n[1], n[2]};
    return true;
}

CLI::Validator Triple(bool oneForAll) {
    return CLI::Validator(
        [oneForAll](std::string& s) {
            std::array<double, 3> p;
            if (ParseTriple(s, oneForAll, p)) return std::string();
            return std::string(oneForAll ? "expects N or X,Y,Z" : "expects X,Y,Z") + ", got \"" + s + "\"";
        },
        oneForAll ? "N|X,Y,Z" : "X,Y,Z");
}

CLI::Validator Weighted() {
    return CLI::Validator(
        [](std::string& s) {
            WeightedFile w;
            std::string error;
            if (!ParseWeightedFile(s, w, error)) return error;
            if (w.weighted && w.weight < 0) return "a weight must not be negative, got " + s.substr(s.rfind(':') + 1);
            return std::string();
        },
        "FILE[:WEIGHT]");
}

// The value as stored: the text's numbers times `toStored`, worked out in
// double and rounded once, as a script's value typed in stored units is.
Point3 TripleOf(const std::string& text, bool oneForAll, double toStored = 1.0) {
    std::array<double, 3> p{};
    ParseTriple(text, oneForAll, p);
    return Point3(float(p[0] * toStored), float(p[1] * toStored), float(p[2] * toStored));
}

// A run can take minutes; an output that cannot be written is said before
// it starts, not after.
void CheckWritable(const std::string& path) {
    const fs::path p(path);
    std::error_code ec;
    if (fs::is_directory(p, ec)) throw Failure{"cannot write " + path + ": it is a folder"};
    const fs::path folder = p.has_parent_path() ? p.parent_path() : fs::path(".");
    if (!fs::is_directory(folder, ec)) throw Failure{"cannot write " + path + ": no folder " + folder.string()};
    if (::access(folder.c_str(), W_OK) != 0)
        throw Failure{"cannot write " + path + ": " + std::strerror(errno)};
}

// Wire colours of the two kinds of node, as a user might pick them.
constexpr DWORD GROUND_WIRE = 0x00707468;   // grey
constexpr DWORD SCATTER_WIRE = 0x0030A0F0;  // orange

// Two outputs in one file would leave only the last, each reported written.
void CheckDistinct(const Options& o) {
    const std::pair<const char*, const std::string*> outputs[] = {
        {"--output", &o.output}, {"--preview", &o.preview}, {"--save", &o.save}};
    // Files still to be made have no canonical path; their names are
    // compared made absolute and tidied.
    auto where = [](const std::string& path) {
        std::error_code ec;
        return fs::weakly_canonical(fs::absolute(path, ec), ec).lexically_normal();
    };
    for (size_t i = 0; i < std::size(outputs); ++i)
        for (size_t j = i + 1; j < std::size(outputs); ++j) {
            const std::string& a = *outputs[i].second;
            const std::string& b = *outputs[j].second;
            if (a.empty() || b.empty()) continue;
            if (where(a) == where(b))
                throw CLI::ValidationError(outputs[j].first,
                                           "names the same file as " + std::string(outputs[i].first) + " (" + b + ")");
        }
}

void Run(const Options& o) {
    CheckDistinct(o);
    for (const std::string* path : {&o.output, &o.preview, &o.save})
        if (!path->empty()) CheckWritable(*path);
    const UnitScene scene(o.units);
    PluginHost& host = PluginHost::Get();
    if (o.noGamma) gammaMgr.Enable(FALSE);
    Interface* ip = GetCOREInterface();
    const TimeValue t = static_cast<TimeValue>(std::lround(o.frame * GetTicksPerFrame()));
    ip->SetTime(t);

    ScatterNode scatter = ScatterNode::Create();
    scatter.Node()->SetWireColor(SCATTER_WIRE);

    std::vector<std::string> lines = WithDebugLog([&] {
        // The tables first, while the count is still the block's small
        // default: every table change regenerates.
        for (const std::string& text : o.on) {
            WeightedFile w;
            std::string error;
            ParseWeightedFile(text, w, error);
            const FileNode file = NodeFromFile(w.file);
            file.node->SetWireColor(GROUND_WIRE);
            scatter.AddDistributionObject(file.node, w.weight, t);
        }
        for (const std::string& text : o.objects) {
            WeightedFile w;
            std::string error;
            ParseWeightedFile(text, w, error);
            const FileNode file = NodeFromFile(w.file);
            scatter.AddScatteredObject(file.node, w.weight, t);
        }

        ParamSetter setter(host, t);
        auto set = [&](const char* name, const PB2Value& v) { scatter.Set(name, v, t); };
        if (o.seed) set("seed", *o.seed);
        if (o.randomType) set("randomType", *o.randomType);
        if (o.scatterType) set("scatterType", *o.scatterType);
        if (o.collisionOpt->count()) set("Collision Detect", o.collision);
        if (o.alignOpt->count()) set("alignNormals", o.alignNormals);
        if (o.uniformOpt->count()) set("Uniform Scaling", o.uniformScaling);
        // The rollout's units: scene units, degrees and percentages.
        if (!o.translateMin.empty()) set("translateMin", TripleOf(o.translateMin, false));
        if (!o.translateMax.empty()) set("translateMax", TripleOf(o.translateMax, false));
        if (!o.rotateMin.empty()) set("rotateMin", TripleOf(o.rotateMin, false, DEG_TO_RAD));
        if (!o.rotateMax.empty()) set("rotateMax", TripleOf(o.rotateMax, false, DEG_TO_RAD));
        if (!o.scaleMin.empty()) set("scaleMin", TripleOf(o.scaleMin, true, 0.01));
        if (!o.scaleMax.empty()) set("scaleMax", TripleOf(o.scaleMax, true, 0.01));
        if (o.previz) set("previzType", *o.previz);
        if (!o.densityMap.empty()) setter.Set(scatter.Scatter(), "distributionObjectDensityMap", o.densityMap);
        if (!o.scaleMapX.empty()) setter.Set(scatter.Scatter(), "Scale Map X", o.scaleMapX);
        if (!o.scaleMapY.empty()) setter.Set(scatter.Scatter(), "Scale Map Y", o.scaleMapY);
        if (!o.scaleMapZ.empty()) setter.Set(scatter.Scatter(), "Scale Map Z", o.scaleMapZ);
        // A count given with --set is held back like --count.
        std::optional<std::string> countText;
        if (o.count) countText = std::to_string(*o.count);
        try {
            for (const std::string& s : o.sets) {
                if (s.rfind("count=", 0) == 0) countText = s.substr(6);
                else setter.Set(scatter.Scatter(), s);
            }
        } catch (const Usage& u) {
            throw CLI::ValidationError("--set", u.message);
        }

        // "update" comes before the count, while a generation is cheap: a
        // camera never set is NaN, which never equals itself, so with a map
        // assigned "update" generates again even when nothing changed. The
        // count set last then makes the one full generation, with the
        // camera in place; what "update" would make of it now is the same.
        IParamBlock2* pb = scatter.Block();
        const Point3 camera =
            o.camera.empty() ? pb->GetPoint3(scatter.Id("lastRenderCamera"), t) : TripleOf(o.camera, false);
        scatter.Update(camera, t);
        if (countText) setter.Set(scatter.Scatter(), "count", *countText);
        else set("count", pb->GetInt(scatter.Id("count"), t));
    });
    if (const std::string failure = GenerationFailure(lines); !failure.empty()) throw Failure{failure};

    // What the renderer would make of it.
    const int n = scatter.NumInstances();
    std::map<INode*, int> perObject;
    for (int i = 0; i < n; ++i) ++perObject[scatter.InstanceObject(i)];
    IParamBlock2* pb = scatter.Block();
    std::cout << "scattered " << n << " instances (count " << pb->GetInt(scatter.Id("count"), t) << ", seed "
              << pb->GetInt(scatter.Id("seed"), t) << ") of " << o.objects.size()
              << (o.objects.size() == 1 ? " object" : " objects") << " over " << o.on.size()
              << (o.on.size() == 1 ? " distribution object" : " distribution objects") << "\n";
    for (INode* node : scatter.ScatteredObjects()) std::cout << "  " << NodeName(node) << ": " << perObject[node] << "\n";

    if (!o.output.empty()) {
        WriteInstances(scatter, o.output);
        std::cout << "wrote " << n << " instances to " << o.output << "\n";
    }
    if (!o.preview.empty()) {
        const TopViewPicture::Size size = DrawPreview(scatter, t, o.preview, o.previewSize);
        std::cout << "drew the viewport preview from above (" << size.width << "x" << size.height << ") to "
                  << o.preview << "\n";
    }
    if (!o.save.empty()) {
        std::string error;
        if (!ip->SaveToFile(FromUtf8(o.save), error)) throw Failure{error};
        std::cout << "saved the scene to " << o.save << "\n";
    }
}

}  // namespace

void addScatterCommand(CLI::App& app) {
    auto* cmd = app.add_subcommand(
        "scatter", "Scatter objects from files over the surfaces of others; write the instances and a preview picture");
    auto o = std::make_shared<Options>();
    cmd->add_option("--on", o->on,
                    "Distribution object: a mesh file (OBJ, PLY, STL, glTF, ...) or proxy file, with an optional "
                    "relative density (ground.obj:2). Repeatable")
        ->required()
        ->check(Weighted());
    cmd->add_option("--object", o->objects,
                    "Scattered object: a mesh file, or a proxy file (.nproxy, .nmesh, .nzmesh, .nbin) as a proxy "
                    "object, with an optional relative frequency (rock.nproxy:0.5). Repeatable")
        ->required()
        ->check(Weighted());
    cmd->add_option("--units", o->units,
                    "System unit of the scene: " + UnitNames() +
                        " (default: the host's, in). Proxy files are read into it; mesh files and the "
                        "--translate values are taken in it")
        ->check(UnitValidator());
    cmd->add_option("--count", o->count, "Number of candidates (count)")->check(NumberIn(1, 1000000000, true));
    cmd->add_option("--seed", o->seed, "Random seed (seed)")->check(NumberIn(1, 31337, true));
    cmd->add_option("--random", o->randomType, "Sample sequence (randomType): congruent or halton")
        ->transform(Choice({{"congruent", 0}, {"halton", 1}}));
    cmd->add_option("--mode", o->scatterType,
                    "Where instances go (scatterType): surfaces (on the distribution objects) or box (inside "
                    "their bounding boxes)")
        ->transform(Choice({{"surfaces", 66}, {"box", 67}}));
    o->collisionOpt = cmd->add_flag("--collision,!--no-collision", o->collision,
                                    "Discard instances that would overlap others (Collision Detect)");
    o->alignOpt = cmd->add_flag("--align-normals,!--no-align-normals", o->alignNormals,
                                "Turn each instance's Z axis to the surface normal (alignNormals)");
    o->uniformOpt = cmd->add_flag("--uniform-scaling,!--no-uniform-scaling", o->uniformScaling,
                                  "Scale all three axes by the X values (Uniform Scaling)");
    cmd->add_option("--translate-min", o->translateMin, "Smallest random offset, in scene units")->check(Triple(false));
    cmd->add_option("--translate-max", o->translateMax, "Largest random offset, in scene units")->check(Triple(false));
    cmd->add_option("--rotate-min", o->rotateMin, "Smallest random rotation about X, Y, Z, in degrees")
        ->check(Triple(false));
    cmd->add_option("--rotate-max", o->rotateMax, "Largest random rotation about X, Y, Z, in degrees")
        ->check(Triple(false));
    cmd->add_option("--scale-min", o->scaleMin, "Smallest random scale, in percent (one value for all axes)")
        ->check(Triple(true));
    cmd->add_option("--scale-max", o->scaleMax, "Largest random scale, in percent (one value for all axes)")
        ->check(Triple(true));
    const std::string mapHelp = ": @IMAGE.png, a map class name (then --set NAME.param=...), or none";
    cmd->add_option("--density-map", o->densityMap, "Density map" + mapHelp);
    cmd->add_option("--scale-map-x", o->scaleMapX, "Scale map for X" + mapHelp);
    cmd->add_option("--scale-map-y", o->scaleMapY, "Scale map for Y" + mapHelp);
    cmd->add_option("--scale-map-z", o->scaleMapZ, "Scale map for Z" + mapHelp);
    cmd->add_flag("--no-gamma", o->noGamma, "Turn the host's gamma correction off (map images are read as they are)");
    cmd->add_option("--previz", o->previz, "Viewport preview (previzType): none, dot, box, wire-box or full")
        ->transform(Choice({{"none", 0}, {"dot", 1}, {"box", 2}, {"wire-box", 3}, {"full", 4}}));
    cmd->add_option("--camera", o->camera,
                    "Render camera position that \"update\" is given, in scene units (default: the block's, "
                    "never set); only maps see it")
        ->check(Triple(false));
    cmd->add_option("--time", o->frame,
                    "Frame to generate at, 30 per second; also the host's current time, which a saved scene keeps")
        ->check(NumberIn(-1.0e5, 1.0e5, false))
        ->capture_default_str();
    cmd->add_option("--set", o->sets,
                    "NAME=VALUE: any scatter parameter by its internal name, in stored units (radians, factors), "
                    "applied after the options above, in order. Dotted names reach a map's parameters "
                    "(\"Scale Map X.color=...\")");
    cmd->add_option("-o,--output", o->output, "Write every instance to FILE.csv or FILE.json")
        ->check(CLI::Validator(
            [](std::string& s) { return IsInstanceFileName(s) ? std::string() : "expects a .csv or .json file name"; },
            "FILE.csv|FILE.json"));
    cmd->add_option("--preview", o->preview, "Draw the viewport preview, seen from above, into FILE.png")
        ->check(CLI::Validator(
            [](std::string& s) { return HasExtension(s, ".png") ? std::string() : "expects a .png file name"; },
            "FILE.png"));
    cmd->add_option("--preview-size", o->previewSize, "Longer side of the preview picture, in pixels")
        ->check(NumberIn(16, 4096, true))
        ->capture_default_str();
    cmd->add_option("--save", o->save, "Save the scene to FILE (the host's scene file)");
    cmd->callback([o] { Run(*o); });
}

}  // namespace cli
