#include "ScatterDriver.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "MeshImport.h"
#include "ProgressBar.h"
#include "ProxyDriver.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool IsProxyFile(const std::string& path) {
    const std::string ext = Lower(fs::path(path).extension().string());
    return ext == ".nproxy" || ext == ".nmesh" || ext == ".nzmesh" || ext == ".nbin";
}

ClassDesc2* ScatterClass() {
    auto* cd = dynamic_cast<ClassDesc2*>(PluginHost::Get().FindClass("NScatter"));
    if (!cd) throw Failure{"the plug-in module offers no NScatter class"};
    return cd;
}

bool IsScatter(Object* obj) {
    ClassDesc2* cd = ScatterClass();
    return obj && obj->SuperClassID() == cd->SuperClassID() && obj->ClassID() == cd->ClassID();
}

// The published interface and the ids of its functions, found by name once.
struct ScatterOps {
    FPInterface* fp = nullptr;
    FunctionID update = FP_NO_FUNCTION, numInstances = FP_NO_FUNCTION, object = FP_NO_FUNCTION,
               tm = FP_NO_FUNCTION;

    static const ScatterOps& Get() {
        static const ScatterOps ops = [] {
            ClassDesc2* cd = ScatterClass();
            ScatterOps o;
            for (int i = 0; i < cd->NumInterfaces(); ++i) {
                FPInterface* fp = cd->GetInterfaceAt(i);
                if (fp && std::string_view(fp->GetDesc()->InternalName()) == "ScatterOps") o.fp = fp;
            }
            if (!o.fp) throw Failure{"the NScatter class publishes no ScatterOps interface"};
            auto id = [&](const char* name) {
                const FPFunctionDef* def = o.fp->GetDesc()->FindFunction(name);
                if (!def) throw Failure{std::string("ScatterOps has no function \"") + name + "\""};
                return def->id;
            };
            o.update = id("update");
            o.numInstances = id("getNumInstances");
            o.object = id("getInstanceObject");
            o.tm = id("getInstanceTm");
            return o;
        }();
        return ops;
    }

    FPValue Call(FunctionID fid, const FPParams& params, const char* name) const {
        FPValue result;
        if (fp->Invoke(fid, result, params) != FPS_OK) throw Failure{std::string("ScatterOps.") + name + " failed"};
        return result;
    }
};

bool ParseDouble(const std::string& text, double& out) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
    char* end = nullptr;
    errno = 0;
    out = std::strtod(text.c_str(), &end);
    return *end == '\0' && errno == 0 && std::isfinite(out);
}

std::string CsvField(const std::string& s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
    std::string q = "\"";
    for (char c : s) {
        if (c == '"') q += '"';
        q += c;
    }
    return q + "\"";
}

// JSON has no non-finite numbers; they travel as text, as elsewhere in the
// tool's output.
std::string JsonNumber(float v) {
    if (std::isnan(v)) return "\"nan\"";
    if (std::isinf(v)) return v > 0 ? "\"inf\"" : "\"-inf\"";
    return FloatText(v);
}

std::string JsonString(const std::string& s) {
    return nlohmann::json(s).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

class AtomicFile {
public:
    explicit AtomicFile(std::string path) : path_(std::move(path)), temp_(path_ + ".tmp" + std::to_string(::getpid())) {
        out_.open(temp_, std::ios::binary | std::ios::trunc);
        if (!out_) throw Failure{"cannot write " + path_};
    }
    ~AtomicFile() {
        if (!committed_) {
            out_.close();
            std::error_code ec;
            fs::remove(temp_, ec);
        }
    }
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    std::ostream& Out() { return out_; }
    void Commit() {
        out_.flush();
        const bool ok = static_cast<bool>(out_);
        out_.close();
        std::error_code ec;
        if (ok) fs::rename(temp_, path_, ec);
        if (!ok || ec) throw Failure{"cannot write " + path_};
        committed_ = true;
    }

private:
    std::string path_, temp_;
    std::ofstream out_;
    bool committed_ = false;
};

}  // namespace

std::string NodeName(INode* node) { return node ? ToUtf8(node->GetName()) : std::string(); }

std::string FloatText(float v) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, v).ptr;
    return std::string(text, end);
}

FileNode NodeFromFile(const std::string& path) {
    const std::string name = fs::path(path).stem().string();
    FileNode out;
    if (IsProxyFile(path)) {
        ProxyNode proxy(name);
        out.node = proxy.Node();
        out.proxy = true;
        out.faces = InspectProxy(proxy, path).faces;
        return out;
    }
    ImportedMesh imported;
    std::string error;
    if (!ImportMeshFile(path, imported, error)) throw Failure{"cannot import " + path + ": " + error};
    TriObject* tri = CreateNewTriObject();
    out.faces = imported.mesh.getNumFaces();
    tri->mesh = std::move(imported.mesh);
    out.node = GetCOREInterface()->CreateObjectNode(tri, FromUtf8(name).c_str());
    return out;
}

bool ParseWeightedFile(const std::string& text, WeightedFile& out, std::string& error) {
    out = WeightedFile{text};
    std::error_code ec;
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos || fs::exists(text, ec)) return true;
    double w;
    if (!ParseDouble(text.substr(colon + 1), w)) return true;  // a name with a colon in it
    if (colon == 0) {
        error = "\"" + text + "\" names no file";
        return false;
    }
    out.file = text.substr(0, colon);
    out.weight = w;
    out.weighted = true;
    return true;
}

// ---------------------------------------------------------------------------

ScatterNode ScatterNode::Create(const std::string& nodeName) {
    auto* obj = dynamic_cast<Object*>(PluginHost::Get().Create(ScatterClass()));
    if (!obj) throw Failure{"NScatter is not a scene object"};
    INode* node = GetCOREInterface()->CreateObjectNode(obj, FromUtf8(nodeName).c_str());
    return ScatterNode(node, obj);
}

ScatterNode ScatterNode::Of(INode* node) {
    Object* obj = node ? node->GetObjectRef() : nullptr;
    if (!IsScatter(obj)) throw Failure{"node " + NodeName(node) + " shows no scatter"};
    return ScatterNode(node, obj);
}

std::vector<INode*> ScatterNode::FindAll() {
    std::vector<INode*> out;
    for (INode* n : GetCOREInterface()->AllNodes())
        if (IsScatter(n->GetObjectRef())) out.push_back(n);
    return out;
}

IParamBlock2* ScatterNode::Block() const {
    IParamBlock2* pb = scatter_->GetParamBlockByID(0);
    if (!pb) throw Failure{"the scatter has no parameter block"};
    return pb;
}

ParamID ScatterNode::Id(std::string_view param) const {
    const ParamDef* def = Block()->GetDesc()->FindByName(param);
    if (!def) throw Failure{"the scatter has no parameter \"" + std::string(param) + "\""};
    return def->id;
}

void ScatterNode::Set(std::string_view param, const PB2Value& value, TimeValue t, int tabIndex) {
    std::string error;
    if (!ScriptSetParam(Block(), param, value, error, tabIndex, t)) throw Failure{"cannot set " + error};
}

namespace {
void AddToTable(ScatterNode& s, const char* table, const char* weights, const char* role, INode* node, double weight,
                TimeValue t) {
    IParamBlock2* pb = s.Block();
    const ParamID id = s.Id(table);
    PB2Value v(static_cast<ReferenceTarget*>(node));
    const int at = pb->Count(id);
    if (!pb->Validate(id, v, at)) throw Failure{NodeName(node) + " cannot be " + role};
    pb->Append(id, 1, &v);
    if (weight != 1.0) s.Set(weights, PB2Value(weight), t, at);
}

std::vector<INode*> TableNodes(const ScatterNode& s, const char* table) {
    IParamBlock2* pb = s.Block();
    const ParamID id = s.Id(table);
    std::vector<INode*> out;
    for (int i = 0; i < pb->Count(id); ++i) out.push_back(pb->GetINode(id, 0, i));
    return out;
}
}  // namespace

void ScatterNode::AddDistributionObject(INode* node, double density, TimeValue t) {
    AddToTable(*this, "distributionObjects", "distributionObjectsDensity",
               "a distribution object (it gives no triangle mesh)", node, density, t);
}

void ScatterNode::AddScatteredObject(INode* node, double frequency, TimeValue t) {
    AddToTable(*this, "scatteredObjects", "scatteredObjectsFrequency",
               "a scattered object (only meshes, Nimbal lights and proxies can)", node, frequency, t);
}

std::vector<INode*> ScatterNode::DistributionObjects() const { return TableNodes(*this, "distributionObjects"); }
std::vector<INode*> ScatterNode::ScatteredObjects() const { return TableNodes(*this, "scatteredObjects"); }

void ScatterNode::Update(const Point3& renderCamera, TimeValue t) {
    const ScatterOps& ops = ScatterOps::Get();
    ops.Call(ops.update, {FPValue::Ref(scatter_), FPValue::Point(renderCamera), FPValue::Int(t)}, "update");
}

int ScatterNode::NumInstances() {
    const ScatterOps& ops = ScatterOps::Get();
    return ops.Call(ops.numInstances, {FPValue::Ref(scatter_)}, "getNumInstances").i;
}

INode* ScatterNode::InstanceObject(int i) {
    const ScatterOps& ops = ScatterOps::Get();
    return ops.Call(ops.object, {FPValue::Ref(scatter_), FPValue::Int(i)}, "getInstanceObject").n;
}

InstanceRecord ScatterNode::Instance(int i) {
    const ScatterOps& ops = ScatterOps::Get();
    const FPParams params{FPValue::Ref(scatter_), FPValue::Int(i)};
    InstanceRecord r;
    r.node = ops.Call(ops.object, params, "getInstanceObject").n;
    r.tm = ops.Call(ops.tm, params, "getInstanceTm").m;
    return r;
}

void ScatterNode::ForEachInstance(const std::function<void(int, const InstanceRecord&)>& each) {
    const ScatterOps& ops = ScatterOps::Get();
    const int count = NumInstances();
    // One argument list for the whole run: millions of instances are read.
    FPParams params{FPValue::Ref(scatter_), FPValue::Int(0)};
    FPValue result;
    for (int i = 0; i < count; ++i) {
        params[1].i = i;
        InstanceRecord r;
        if (ops.fp->Invoke(ops.object, result, params) != FPS_OK) throw Failure{"ScatterOps.getInstanceObject failed"};
        r.node = result.n;
        if (ops.fp->Invoke(ops.tm, result, params) != FPS_OK) throw Failure{"ScatterOps.getInstanceTm failed"};
        r.tm = result.m;
        each(i, r);
    }
}

// ---------------------------------------------------------------------------

bool IsInstanceFileName(const std::string& path) {
    const std::string ext = Lower(fs::path(path).extension().string());
    return ext == ".csv" || ext == ".json";
}

void WriteInstances(ScatterNode& scatter, const std::string& path) {
    const bool json = Lower(fs::path(path).extension().string()) == ".json";
    AtomicFile file(path);
    ProgressBar bar(scatter.NumInstances(), true);
    auto progress = [&](int i) {
        if ((i & 0xFFFF) == 0) bar.Update(i, path);
    };
    std::ostream& out = file.Out();
    // Names are looked up once per scattered node, not once per instance.
    INode* lastNode = nullptr;
    std::string lastName;
    auto nameOf = [&](INode* n) -> const std::string& {
        if (n != lastNode || lastName.empty()) {
            lastNode = n;
            lastName = json ? JsonString(NodeName(n)) : CsvField(NodeName(n));
        }
        return lastName;
    };
    if (json) {
        out << "{\"instances\": [";
        scatter.ForEachInstance([&](int i, const InstanceRecord& r) {
            progress(i);
            out << (i ? ",\n" : "\n") << "  {\"instance\": " << i << ", \"object\": " << nameOf(r.node) << ", \"tm\": [";
            for (int row = 0; row < 4; ++row) {
                const Point3 p = r.tm.GetRow(row);
                out << (row ? ", [" : "[") << JsonNumber(p.x) << ", " << JsonNumber(p.y) << ", " << JsonNumber(p.z)
                    << "]";
            }
            out << "]}";
        });
        out << "\n]}\n";
    } else {
        out << "instance,object,r0x,r0y,r0z,r1x,r1y,r1z,r2x,r2y,r2z,r3x,r3y,r3z\n";
        scatter.ForEachInstance([&](int i, const InstanceRecord& r) {
            progress(i);
            out << i << ',' << nameOf(r.node);
            for (int row = 0; row < 4; ++row) {
                const Point3 p = r.tm.GetRow(row);
                out << ',' << FloatText(p.x) << ',' << FloatText(p.y) << ',' << FloatText(p.z);
            }
            out << '\n';
        });
    }
    file.Commit();
}

// ---------------------------------------------------------------------------

namespace {
Point3 ColorOf(DWORD rgb) {
    return Point3(float(rgb & 0xFF) / 255.0f, float((rgb >> 8) & 0xFF) / 255.0f, float((rgb >> 16) & 0xFF) / 255.0f);
}
}  // namespace

TopViewPicture::Size DrawPreview(ScatterNode& scatter, TimeValue t, const std::string& path, int longSide) {
    // Two viewports' worth of records: the distribution objects in
    // wireframe, the scatter as it draws itself.
    ViewExp wires, shaded;
    GraphicsWindow* gw = wires.getGW();
    for (INode* node : scatter.DistributionObjects()) {
        Object* obj = node ? node->EvalWorldState(t).obj : nullptr;
        if (!obj) continue;
        gw->setColor(LINE_COLOR, ColorOf(node->GetWireColor()));
        gw->setColor(FILL_COLOR, ColorOf(node->GetWireColor()));
        obj->Display(t, node, &wires, 0);
    }
    scatter.Scatter()->Display(t, scatter.Node(), &shaded, 0);
    TopViewPicture picture;
    picture.Add(wires.getGW()->Records(), true);
    picture.Add(shaded.getGW()->Records(), false);
    return picture.WritePng(path, longSide);
}

// ---------------------------------------------------------------------------

std::vector<std::string> WithDebugLog(const std::function<void()>& work) {
    const char* before = std::getenv("NIMBAL_DEBUG_LOG");
    const std::string original = before ? before : "";
    char name[] = "/tmp/nimbal-log-XXXXXX";
    const int fd = ::mkstemp(name);
    if (fd < 0) {
        // Nowhere to divert to: the work runs, its log goes where it went.
        work();
        return {};
    }
    ::close(fd);
    ::setenv("NIMBAL_DEBUG_LOG", name, 1);

    auto finish = [&] {
        if (original.empty()) ::unsetenv("NIMBAL_DEBUG_LOG");
        else ::setenv("NIMBAL_DEBUG_LOG", original.c_str(), 1);
        std::vector<std::string> lines;
        {
            std::ifstream in(name);
            for (std::string line; std::getline(in, line);) lines.push_back(line);
        }
        std::remove(name);
        if (original == "1" || original == "stderr") {
            for (const std::string& l : lines) std::fprintf(stderr, "%s\n", l.c_str());
        } else if (!original.empty()) {
            if (std::FILE* f = std::fopen(original.c_str(), "a")) {
                for (const std::string& l : lines) std::fprintf(f, "%s\n", l.c_str());
                std::fclose(f);
            }
        }
        return lines;
    };
    try {
        work();
    } catch (...) {
        finish();
        throw;
    }
    return finish();
}

std::string GenerationFailure(const std::vector<std::string>& lines) {
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        if (it->rfind("Updating scatter took ", 0) == 0) return {};
        if (it->rfind("Updating scatter failed", 0) == 0) {
            const size_t colon = it->find(": ");
            return "the scatter could not be generated" + (colon == std::string::npos ? "" : it->substr(colon));
        }
    }
    return {};
}

}  // namespace cli
