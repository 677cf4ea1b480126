// `nimbal proxy ...`: the proxy object driven as a host drives it.
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "Commands.h"
#include "MeshImport.h"
#include "ProgressBar.h"
#include "ProxyDriver.h"

namespace cli {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

// JSON has no non-finite numbers; they travel as text.
Json Number(double v) {
    if (std::isnan(v)) return "nan";
    if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
    return v;
}

// A float as the shortest decimal that reads back to it, not as the long
// tail of its double.
Json Number(float v) {
    if (!std::isfinite(v)) return Number(static_cast<double>(v));
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, v).ptr;
    return std::strtod(std::string(text, end).c_str(), nullptr);
}

Json Triple(const std::array<float, 3>& p) { return Json::array({Number(p[0]), Number(p[1]), Number(p[2])}); }

Json InfoJson(const ProxyInfo& i) {
    return Json{{"file", i.file},
                {"format", i.format},
                {"status", i.status},
                {"statusText", i.statusText},
                {"vertices", i.vertices},
                {"faces", i.faces},
                {"normals", i.normals},
                {"mapChannels", i.mapChannels},
                {"bboxMin", Triple(i.bboxMin)},
                {"bboxMax", Triple(i.bboxMax)},
                {"originalMaterialName", i.originalMaterialName},
                {"originalObjectName", i.originalObjectName}};
}

std::string Point(const std::array<float, 3>& p) {
    std::ostringstream s;
    s << "(" << p[0] << ", " << p[1] << ", " << p[2] << ")";
    return s.str();
}

// The status text runs over lines; later lines line up under the first.
void PrintInfo(const ProxyInfo& i, const std::string& unit) {
    std::string status = i.statusText;
    for (size_t at = status.find('\n'); at != std::string::npos; at = status.find('\n', at + 1))
        status.insert(at + 1, 16, ' ');
    std::cout << std::left << std::setw(16) << "File:" << i.file << " (" << i.format << ")\n"
              << std::setw(16) << "Status:" << status << "\n"
              << std::setw(16) << "Vertices:" << i.vertices << "\n"
              << std::setw(16) << "Faces:" << i.faces << "\n"
              << std::setw(16) << "Normals:" << i.normals << "\n"
              << std::setw(16) << "Map channels:" << i.mapChannels << " with coordinates, of " << i.channelSlots
              << "\n"
              << std::setw(16) << "Bounding box:" << Point(i.bboxMin) << " to " << Point(i.bboxMax) << " " << unit
              << "\n"
              << std::setw(16) << "Material:" << i.originalMaterialName << "\n"
              << std::setw(16) << "Object:" << i.originalObjectName << "\n";
}

// Options every proxy command has.
struct Common {
    std::string units;
    bool json = false;
};

void AddUnits(CLI::App* cmd, Common& c) {
    cmd->add_option("--units", c.units, "System unit of the scene: " + UnitNames() + " (default: the host's, in)")
        ->check(UnitValidator());
}

void AddJson(CLI::App* cmd, Common& c) { cmd->add_flag("--json", c.json, "Print the result as JSON"); }

// The names the proxy object would read back with another format.
const char* ForeignExtension(const std::string& fileName) {
    const std::string format = ProxyFormatName(fileName);
    return format == "nproxy" ? nullptr : format == "obj" ? ".obj" : format == "nbin" ? ".nbin"
                                                                : format == "nmesh" ? ".nmesh" : ".nzmesh";
}

CLI::Validator ProxyFileName() {
    return CLI::Validator(
        [](std::string& s) {
            if (const char* ext = ForeignExtension(s))
                return "a proxy is written as .nproxy; a name ending in " + std::string(ext) +
                       " would be read back as another format";
            return std::string();
        },
        "OUT.nproxy");
}

// Replaces `path` only once the new content is complete.
void WriteFileAtomically(const std::string& path, const std::string& content) {
    const std::string temp = path + ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << content;
        out.flush();
        if (!out) {
            std::error_code ec;
            fs::remove(temp, ec);
            throw Failure{"cannot write " + path};
        }
    }
    std::error_code ec;
    fs::rename(temp, path, ec);
    if (ec) {
        fs::remove(temp, ec);
        throw Failure{"cannot write " + path};
    }
}

// ---------------------------------------------------------------------------

void AddInfo(CLI::App* proxy) {
    auto* cmd = proxy->add_subcommand("info", "What a proxy pointing at FILE shows: status, counts, box, names");
    auto c = std::make_shared<Common>();
    auto file = std::make_shared<std::string>();
    cmd->add_option("FILE", *file, "A proxy file (.nproxy, .nmesh, .nzmesh, .nbin or .obj)")->required();
    AddUnits(cmd, *c);
    AddJson(cmd, *c);
    cmd->callback([c, file] {
        const UnitScene scene(c->units);
        const std::string& unit = scene.Unit();
        ProxyNode proxy;
        const ProxyInfo info = InspectProxy(proxy, *file);
        if (c->json) std::cout << InfoJson(info).dump(2) << "\n";
        else PrintInfo(info, unit);
    });
}

void AddCreate(CLI::App* proxy) {
    auto* cmd = proxy->add_subcommand(
        "create", "Make a proxy from a mesh file (OBJ, PLY, STL, glTF, ...) as the pick button would");
    auto c = std::make_shared<Common>();
    auto mesh = std::make_shared<std::string>();
    auto out = std::make_shared<std::string>();
    auto name = std::make_shared<std::string>();
    cmd->add_option("MESH", *mesh, "The mesh file; its numbers are taken in the scene's unit")->required();
    cmd->add_option("OUT", *out, "The proxy file to write")->required()->check(ProxyFileName());
    cmd->add_option("--name", *name, "Name of the scene object (default: the mesh file's name)");
    AddUnits(cmd, *c);
    AddJson(cmd, *c);
    cmd->callback([c, mesh, out, name] {
        const UnitScene scene(c->units);
        const std::string& unit = scene.Unit();
        Interface* ip = GetCOREInterface();

        ImportedMesh imported;
        std::string error;
        if (!ImportMeshFile(*mesh, imported, error)) throw Failure{"cannot import " + *mesh + ": " + error};
        const int triangles = imported.mesh.getNumFaces();
        const int vertices = imported.mesh.getNumVerts();

        TriObject* tri = CreateNewTriObject();
        tri->mesh = std::move(imported.mesh);
        const std::string objectName = name->empty() ? fs::path(*mesh).stem().string() : *name;
        INode* source = ip->CreateObjectNode(tri, FromUtf8(objectName).c_str());
        const std::string materialName = MaterialNameOf(imported.materials);
        if (!materialName.empty()) source->SetMtl(NamedMaterial(materialName));

        ProxyNode proxy;
        if (!FromScene(proxy.Node(), source, *out)) throw Failure{"cannot save the proxy to " + *out};
        const ProxyInfo info = DescribeProxy(proxy, *out);

        if (c->json) {
            Json materials = Json::array();
            for (const std::string& m : imported.materials) materials.push_back(m);
            const Json source = {{"file", *mesh},
                                 {"parts", imported.sourceMeshes},
                                 {"triangles", triangles},
                                 {"vertices", vertices},
                                 {"importedVertices", imported.sourceVertices},
                                 {"droppedPrimitives", imported.droppedPrimitives},
                                 {"normals", imported.hasNormals},
                                 {"textureCoordinates", imported.hasUVs},
                                 {"materials", materials}};
            std::cout << Json{{"mesh", source}, {"proxy", InfoJson(info)}}.dump(2) << "\n";
        } else {
            std::cout << "Imported " << *mesh << ": " << triangles << " triangles, " << vertices << " vertices in "
                      << imported.sourceMeshes << (imported.sourceMeshes == 1 ? " part" : " parts")
                      << (imported.hasNormals ? ", normals" : "") << (imported.hasUVs ? ", texture coordinates" : "");
            if (imported.droppedPrimitives)
                std::cout << "; " << imported.droppedPrimitives << " points and lines left out";
            std::cout << "\n\n";
            PrintInfo(info, unit);
        }
    });
}

void AddConvert(CLI::App* proxy) {
    auto* cmd = proxy->add_subcommand("convert", "Read any proxy format and write it as .nproxy");
    auto c = std::make_shared<Common>();
    auto in = std::make_shared<std::string>();
    auto out = std::make_shared<std::string>();
    cmd->add_option("IN", *in, "A proxy file (.nproxy, .nmesh, .nzmesh, .nbin or .obj)")->required();
    cmd->add_option("OUT", *out, "The .nproxy file to write")->required()->check(ProxyFileName());
    AddUnits(cmd, *c);
    AddJson(cmd, *c);
    cmd->callback([c, in, out] {
        const UnitScene scene(c->units);
        const std::string& unit = scene.Unit();
        ProxyNode source;
        source.Set("filename", PB2Value(in->c_str()));
        if (!source.Loaded()) throw LoadFailure(source, *in);
        // The node carries the names the file holds, so the new file keeps them.
        source.Node()->SetName(FromUtf8(OriginalName(source.Node(), false)));
        const std::string material = OriginalName(source.Node(), true);
        if (!material.empty() && material != "[none]") source.Node()->SetMtl(NamedMaterial(material));

        ProxyNode target;
        if (!FromScene(target.Node(), source.Node(), *out)) throw Failure{"cannot save the proxy to " + *out};
        const ProxyInfo info = DescribeProxy(target, *out);
        if (c->json) {
            std::cout << Json{{"input", *in}, {"proxy", InfoJson(info)}}.dump(2) << "\n";
        } else {
            std::cout << "Converted " << *in << " (" << ProxyFormatName(*in) << ")\n\n";
            PrintInfo(info, unit);
        }
    });
}

// Report lines of the conversion, one per file that failed.
Json ConversionFailures(const std::string& report) {
    Json failures = Json::array();
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);) {
        for (const auto& [prefix, reason] : {std::pair{"Cannot load: ", "load"}, std::pair{"Cannot save: ", "save"}}) {
            if (line.rfind(prefix, 0) == 0)
                failures.push_back({{"file", line.substr(std::strlen(prefix))}, {"reason", reason}});
        }
    }
    return failures;
}

void AddConvertDir(CLI::App* proxy) {
    auto* cmd = proxy->add_subcommand(
        "convert-dir", "Convert every .nbin, .nmesh, .obj and .nzmesh file under ROOT to .nproxy beside it");
    auto c = std::make_shared<Common>();
    auto root = std::make_shared<std::string>();
    cmd->add_option("ROOT", *root, "The folder to convert, with its subfolders")->required();
    AddUnits(cmd, *c);
    AddJson(cmd, *c);
    cmd->callback([c, root] {
        const UnitScene scene(c->units);
        std::error_code ec;
        if (!fs::is_directory(*root, ec)) throw Failure{*root + " is not a folder"};
        std::string report;
        {
            // Gone (and its line cleared) before the report is printed.
            ProgressBar bar(100, true, true);
            report = ConvertDirectory(*root, [&bar](int percent, const std::string& title) { bar.Update(percent, title); });
        }
        if (report.empty()) throw Failure{"the conversion showed no report"};
        const Json failures = ConversionFailures(report);
        int converted = 0;
        std::sscanf(report.c_str(), "Successfully resaved %d", &converted);
        if (c->json) {
            std::cout << Json{{"root", *root},
                              {"converted", converted},
                              {"failed", failures.size()},
                              {"failures", failures},
                              {"report", report}}
                             .dump(2)
                      << "\n";
        } else {
            std::cout << report << (report.back() == '\n' ? "" : "\n");
        }
        if (!failures.empty())
            throw Failure{std::to_string(failures.size()) + " of " + std::to_string(converted + int(failures.size())) +
                          " proxies were not converted"};
    });
}

void AddPoints(CLI::App* proxy) {
    auto* cmd = proxy->add_subcommand("points", "Write the proxy's viewport point cloud as .ply or .csv");
    auto c = std::make_shared<Common>();
    auto file = std::make_shared<std::string>();
    auto out = std::make_shared<std::string>();
    auto density = std::make_shared<float>(1.0f);
    cmd->add_option("FILE", *file, "A proxy file")->required();
    cmd->add_option("-o,--output", *out, "The points file: .ply or .csv")
        ->required()
        ->check(CLI::Validator(
            [](std::string& s) {
                return HasExtension(s, ".ply") || HasExtension(s, ".csv") ? std::string()
                                                                          : "the output must end in .ply or .csv";
            },
            "OUT.ply|OUT.csv"));
    cmd->add_option("--density", *density,
                    "Share of the cloud the viewport draws (the proxy's pointcloudDensity, 0..100; 1 = all)")
        ->capture_default_str()
        ->check(NumberIn(0.0, 100.0, false));
    AddUnits(cmd, *c);
    AddJson(cmd, *c);
    cmd->callback([c, file, out, density] {
        const UnitScene scene(c->units);
        const std::string& unit = scene.Unit();
        Interface* ip = GetCOREInterface();
        ProxyNode proxy;
        proxy.Set("filename", PB2Value(file->c_str()));
        if (!proxy.Loaded()) throw LoadFailure(proxy, *file);
        proxy.Set("previzType", PB2Value(2));
        proxy.Set("pointcloudDensity", PB2Value(*density));

        // What the viewport draws: the cloud's points as markers.
        ViewExp& view = ip->GetActiveViewExp();
        GraphicsWindow* gw = view.getGW();
        gw->ClearRecords();
        proxy.Object()->Display(ip->GetTime(), proxy.Node(), &view, 0);
        std::vector<Point3> points;
        for (const DrawRecord& r : gw->Records())
            if (r.kind == DrawRecord::Marker && !r.points.empty()) points.push_back(r.points.front());
        gw->ClearRecords();

        std::ostringstream text;
        text << std::setprecision(9);
        if (HasExtension(*out, ".ply")) {
            text << "ply\nformat ascii 1.0\ncomment point cloud of " << fs::path(*file).filename().string() << " ("
                 << unit << ")\nelement vertex " << points.size()
                 << "\nproperty float x\nproperty float y\nproperty float z\nend_header\n";
            for (const Point3& p : points) text << p.x << " " << p.y << " " << p.z << "\n";
        } else {
            text << "x,y,z\n";
            for (const Point3& p : points) text << p.x << "," << p.y << "," << p.z << "\n";
        }
        WriteFileAtomically(*out, text.str());

        if (c->json) {
            std::cout << Json{{"file", *file}, {"output", *out}, {"points", points.size()}}.dump(2) << "\n";
        } else {
            std::cout << "Wrote " << points.size() << " points of " << *file << " to " << *out << " (" << unit
                      << ")\n";
        }
    });
}

}  // namespace

void addProxyCommand(CLI::App& app) {
    auto* proxy = app.add_subcommand("proxy", "Proxy files: inspect, create from a mesh, convert, point cloud");
    // Not require_subcommand(1): it answers a misspelt command with "A
    // subcommand is required" instead of naming the word it did not know.
    proxy->require_subcommand(0, 1);
    proxy->callback([proxy] {
        if (proxy->get_subcommands().empty())
            throw CLI::RequiredError("A proxy command (info, create, convert, convert-dir or points)");
    });
    AddInfo(proxy);
    AddCreate(proxy);
    AddConvert(proxy);
    AddConvertDir(proxy);
    AddPoints(proxy);
}

}  // namespace cli
