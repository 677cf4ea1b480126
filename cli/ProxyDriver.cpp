#include "ProxyDriver.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace cli {
namespace {

struct UnitName {
    const char* name;
    int type;
    const char* shortName;
};

const UnitName kUnits[] = {
    {"mm", UNITS_MILLIMETERS, "mm"},  {"millimeters", UNITS_MILLIMETERS, "mm"}, {"millimetres", UNITS_MILLIMETERS, "mm"},
    {"cm", UNITS_CENTIMETERS, "cm"},  {"centimeters", UNITS_CENTIMETERS, "cm"}, {"centimetres", UNITS_CENTIMETERS, "cm"},
    {"m", UNITS_METERS, "m"},         {"meters", UNITS_METERS, "m"},            {"metres", UNITS_METERS, "m"},
    {"km", UNITS_KILOMETERS, "km"},   {"kilometers", UNITS_KILOMETERS, "km"},   {"kilometres", UNITS_KILOMETERS, "km"},
    {"in", UNITS_INCHES, "in"},       {"inches", UNITS_INCHES, "in"},           {"ft", UNITS_FEET, "ft"},
    {"feet", UNITS_FEET, "ft"},       {"mi", UNITS_MILES, "mi"},                {"miles", UNITS_MILES, "mi"},
};

std::string Lower(std::string_view text) {
    std::string s(text);
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool EndsWith(const std::string& text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

ClassDesc2* ProxyClass() {
    auto* cd = dynamic_cast<ClassDesc2*>(PluginHost::Get().FindClass("NProxy"));
    if (!cd) throw Failure{"the plug-in module offers no NProxy class"};
    return cd;
}

GeomObject* NewProxy() {
    auto* proxy = dynamic_cast<GeomObject*>(PluginHost::Get().Create(ProxyClass()));
    if (!proxy) throw Failure{"NProxy is not a geometric object"};
    return proxy;
}

// The rollout's status line is the control that reads "[No proxy loaded]"
// on a proxy without a file; found once on such a proxy.
int StatusControlId() {
    static const int id = [] {
        RefHolder probe(NewProxy());
        Animatable* obj = probe.Get();
        Interface* ip = GetCOREInterface();
        ClassDesc2* cd = ProxyClass();
        obj->BeginEditParams(ip, 0, nullptr);
        int found = 0;
        if (IParamMap2* map = cd->GetParamMap(cd->GetParamBlockDesc(0), 0)) {
            for (const auto& child : map->GetHWnd()->children)
                if (ToUtf8(child->text) == "[No proxy loaded]") found = child->id;
        }
        obj->EndEditParams(ip, 0, nullptr);
        return found;
    }();
    if (!id) throw Failure{"the proxy's rollout shows no status line"};
    return id;
}

FPInterface* ProxyFp() {
    ClassDesc2* cd = ProxyClass();
    for (int i = 0; i < cd->NumInterfaces(); ++i) {
        FPInterface* fp = cd->GetInterfaceAt(i);
        if (fp && std::string_view(fp->GetDesc()->InternalName()) == "ProxyFp") return fp;
    }
    throw Failure{"the NProxy class publishes no ProxyFp interface"};
}

// The mesh a renderer would get; deleted when the proxy says so.
struct RenderMesh {
    Mesh* mesh = nullptr;
    BOOL needDelete = FALSE;
    explicit RenderMesh(ProxyNode& proxy) {
        View view;
        mesh = proxy.Object()->GetRenderMesh(GetCOREInterface()->GetTime(), proxy.Node(), view, needDelete);
    }
    ~RenderMesh() {
        if (needDelete) delete mesh;
    }
    RenderMesh(const RenderMesh&) = delete;
    RenderMesh& operator=(const RenderMesh&) = delete;
};

class NameOnlyMtl : public Mtl {
public:
    void GetClassName(MSTR& s) const override { s = u"Material"; }
};

}  // namespace

bool ParseUnit(std::string_view text, SceneUnit& unit) {
    const std::string key = Lower(text);
    for (const UnitName& u : kUnits) {
        if (key == u.name) {
            unit = SceneUnit{u.type, u.shortName};
            return true;
        }
    }
    return false;
}

std::string UnitNames() { return "mm, cm, m, km, in, ft, mi"; }

void UseUnit(const SceneUnit& unit) { GetCOREInterface()->SetSystemUnitInfo(unit.type, 1.0f); }

UnitScene::UnitScene(const std::string& units) {
    PluginHost::Get();
    GetCOREInterface()->ResetScene();
    SceneUnit unit{UNITS_INCHES, "in"};
    if (!units.empty()) ParseUnit(units, unit);
    UseUnit(unit);
    unit_ = unit.name;
}

UnitScene::~UnitScene() { GetCOREInterface()->ResetScene(); }

CLI::Validator UnitValidator() {
    return CLI::Validator(
        [](std::string& s) {
            SceneUnit u;
            return ParseUnit(s, u) ? std::string() : "unknown unit '" + s + "' (one of " + UnitNames() + ")";
        },
        "UNIT");
}

CLI::Validator NumberIn(double lo, double hi, bool whole) {
    auto text = [](double v) {
        std::ostringstream s;
        s.precision(15);
        s << v;
        return s.str();
    };
    const std::string range = text(lo) + " to " + text(hi);
    const std::string shown = std::string(whole ? "INT" : "NUMBER") + " in [" + text(lo) + " - " + text(hi) + "]";
    return CLI::Validator(
        [lo, hi, whole, range](std::string& s) {
            const std::string expected = std::string(whole ? "expects a whole number" : "expects a number") +
                                         " from " + range + ", got \"" + s + "\"";
            if (s.empty() || std::isspace(static_cast<unsigned char>(s[0]))) return expected;
            char* end = nullptr;
            errno = 0;
            double v;
            if (whole) v = static_cast<double>(std::strtoll(s.c_str(), &end, 10));
            else v = std::strtod(s.c_str(), &end);
            if (*end != '\0' || errno != 0 || !std::isfinite(v) || v < lo || v > hi) return expected;
            return std::string();
        },
        shown);
}

CLI::Validator Choice(const std::vector<std::pair<std::string, int>>& names) {
    std::string list, shown;
    for (size_t i = 0; i < names.size(); ++i) {
        list += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i].first;
        shown += (i == 0 ? "{" : "|") + names[i].first;
    }
    shown += "}";
    return CLI::Validator(
        [names, list](std::string& s) {
            const std::string key = Lower(s);
            for (const auto& [name, value] : names) {
                if (key == name || key == std::to_string(value)) {
                    s = std::to_string(value);
                    return std::string();
                }
            }
            return "expects " + list + ", got \"" + s + "\"";
        },
        shown);
}

bool HasExtension(const std::string& path, std::string_view extension) {
    return EndsWith(Lower(path), Lower(extension));
}

std::string ProxyFormatName(const std::string& fileName) {
    const std::string lower = Lower(fileName);
    for (const char* ext : {"obj", "nbin", "nzmesh", "nmesh"})
        if (EndsWith(lower, std::string(".") + ext)) return ext;
    return "nproxy";
}

ProxyNode::ProxyNode(const std::string& nodeName) {
    proxy_ = NewProxy();
    node_ = GetCOREInterface()->CreateObjectNode(proxy_, FromUtf8(nodeName).c_str());
}

void ProxyNode::Set(std::string_view param, const PB2Value& value) {
    std::string error;
    if (!ScriptSetParam(proxy_->GetParamBlock(0), param, value, error)) throw Failure{error};
}

std::string ProxyNode::StatusText() {
    const int id = StatusControlId();
    Interface* ip = GetCOREInterface();
    ClassDesc2* cd = ProxyClass();
    proxy_->BeginEditParams(ip, 0, nullptr);
    std::string text;
    if (IParamMap2* map = cd->GetParamMap(cd->GetParamBlockDesc(0), 0))
        if (HWND label = GetDlgItem(map->GetHWnd(), id)) text = ToUtf8(GetWindowText(label));
    proxy_->EndEditParams(ip, 0, nullptr);
    return text;
}

bool ProxyNode::Loaded() { return RenderMesh(*this).mesh != nullptr; }

Failure LoadFailure(ProxyNode& proxy, const std::string& file) {
    return Failure{"Error loading proxy: " + file + " (" + proxy.StatusText() + ")"};
}

ProxyInfo InspectProxy(ProxyNode& proxy, const std::string& file) {
    proxy.Set("filename", PB2Value(file.c_str()));
    return DescribeProxy(proxy, file);
}

ProxyInfo DescribeProxy(ProxyNode& proxy, const std::string& file) {
    ProxyInfo info;
    info.file = file;
    info.format = ProxyFormatName(file);
    info.statusText = proxy.StatusText();
    {
        RenderMesh render(proxy);
        if (!render.mesh) throw LoadFailure(proxy, file);
        const Mesh& mesh = *render.mesh;
        info.status = render.needDelete ? 1 : 2;
        info.vertices = mesh.getNumVerts();
        info.faces = mesh.getNumFaces();
        const MeshNormalSpec* normals = mesh.GetSpecifiedNormals();
        info.normals = normals ? normals->GetNumNormals() : 0;
        info.channelSlots = mesh.getNumMaps();
        for (int ch = 0; ch < mesh.getNumMaps(); ++ch)
            if (mesh.mapSupport(ch) && mesh.getNumMapVerts(ch) > 0) ++info.mapChannels;
    }
    Interface* ip = GetCOREInterface();
    Box3 box;
    proxy.Object()->GetLocalBoundBox(ip->GetTime(), proxy.Node(), &ip->GetActiveViewExp(), box);
    info.bboxMin = {box.pmin.x, box.pmin.y, box.pmin.z};
    info.bboxMax = {box.pmax.x, box.pmax.y, box.pmax.z};
    info.originalMaterialName = OriginalName(proxy.Node(), true);
    info.originalObjectName = OriginalName(proxy.Node(), false);
    return info;
}

bool FromScene(INode* proxyNode, INode* source, const std::string& file) {
    FPValue result;
    const FPStatus status = ProxyFp()->Invoke(
        "fromScene", result, {FPValue::Node(proxyNode), FPValue::Node(source), FPValue::String(FromUtf8(file))});
    if (status != FPS_OK) throw Failure{"ProxyFp.fromScene could not be called"};
    return result.i != 0;
}

std::string OriginalName(INode* proxyNode, bool material) {
    FPValue result;
    const char* fn = material ? "originalMaterialName" : "originalObjectName";
    if (ProxyFp()->Invoke(fn, result, {FPValue::Node(proxyNode)}) != FPS_OK)
        throw Failure{std::string("ProxyFp.") + fn + " could not be called"};
    return ToUtf8(result.s);
}

std::string ConvertDirectory(const std::string& root, const std::function<void(int, const std::string&)>& progress) {
    Interface* ip = GetCOREInterface();
    ClassDesc2* cd = ProxyClass();
    RefHolder proxy(NewProxy());
    UiService& ui = UiService::Get();
    ui.Clear();
    ui.ScriptPath(FromUtf8(root));
    ip->SetProgressObserver([&progress](const Interface::ProgressEvent& e) { progress(e.percent, ToUtf8(e.title)); });
    // The caller prints the report; the box is not echoed as well.
    PluginHost::EchoMessageBoxes(false);
    struct Closing {
        Interface* ip;
        Animatable* obj;
        ~Closing() {
            ip->SetProgressObserver(nullptr);
            PluginHost::EchoMessageBoxes(true);
            obj->EndEditParams(ip, 0, nullptr);
            UiService::Get().Clear();
        }
    } closing{ip, proxy.Get()};
    proxy.Get()->BeginEditParams(ip, 0, nullptr);
    IParamMap2* map = cd->GetParamMap(cd->GetParamBlockDesc(0), 0);
    HostWindow* button = nullptr;
    if (map) {
        for (const auto& child : map->GetHWnd()->children)
            if (ToUtf8(child->text) == "Convert proxies in directory...") button = child.get();
    }
    if (!button) throw Failure{"the proxy's rollout shows no conversion button"};
    map->Send(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(button->id), BN_CLICKED), 0);
    for (const UiRecord& r : ui.Records())
        if (r.kind == UiRecord::MessageBox && ToUtf8(r.caption) == "Conversion result") return ToUtf8(r.text);
    return {};
}

Mtl* NamedMaterial(const std::string& name) {
    auto* mtl = new NameOnlyMtl();
    mtl->SetName(FromUtf8(name));
    return mtl;
}

}  // namespace cli
