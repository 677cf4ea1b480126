#include "MapExpression.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace cli {
namespace {

std::string NameOf(ReferenceTarget* obj) {
    MSTR name;
    obj->GetClassName(name);
    return ToUtf8(name);
}

ClassDesc* FindMapClass(PluginHost& host, const std::string& name) {
    ClassDesc* cd = host.FindClass(name);
    if (!cd) cd = ClassDirectory::Get().FindClassByName(FromUtf8(name));
    if (!cd) throw Failure{"unknown class: " + name + " (see `nimbal classes`)"};
    if (cd->SuperClassID() != TEXMAP_CLASS_ID) throw Failure{name + " is not a map"};
    return cd;
}

// One step of a dotted name: a parameter, with a table index when given.
struct Step {
    std::string name;
    int index = 0;
    bool indexed = false;
};

std::vector<Step> ParsePath(const std::string& path) {
    std::vector<Step> steps;
    size_t start = 0;
    while (true) {
        const size_t dot = path.find('.', start);
        std::string part = path.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        Step s;
        if (const size_t open = part.find('['); open != std::string::npos) {
            const size_t close = part.find(']', open);
            if (close != part.size() - 1) throw Usage{"bad table index in \"" + path + "\""};
            const std::string digits = part.substr(open + 1, close - open - 1);
            char* end = nullptr;
            errno = 0;
            const long v = std::strtol(digits.c_str(), &end, 10);
            if (digits.empty() || *end || errno || v < 0 || v > 1000000)
                throw Usage{"bad table index in \"" + path + "\""};
            s.index = static_cast<int>(v);
            s.indexed = true;
            part = part.substr(0, open);
        }
        if (part.empty()) throw Usage{"bad parameter name \"" + path + "\""};
        s.name = part;
        steps.push_back(s);
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    return steps;
}

bool ParseNumber(const std::string& text, double& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    out = std::strtod(text.c_str(), &end);
    return *end == '\0' && errno == 0 && std::isfinite(out);
}

bool ParseInt(const std::string& text, int& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (*end != '\0' || errno != 0 || v < INT_MIN || v > INT_MAX) return false;
    out = static_cast<int>(v);
    return true;
}

std::vector<double> ParseNumbers(const std::string& text) {
    std::vector<double> out;
    size_t start = 0;
    while (true) {
        const size_t comma = text.find(',', start);
        double v;
        if (!ParseNumber(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start), v))
            return {};
        out.push_back(v);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return out;
}

IParamBlock2* BlockOf(ReferenceTarget* obj) {
    IParamBlock2* pb = obj->GetParamBlockByID(0);
    return pb ? pb : obj->GetParamBlock(0);
}

const ParamDef& FindParam(ReferenceTarget* obj, const std::string& name) {
    IParamBlock2* pb = BlockOf(obj);
    const ParamDef* def = pb ? pb->GetDesc()->FindByName(name) : nullptr;
    if (!def) throw Failure{NameOf(obj) + " has no parameter \"" + name + "\" (see `nimbal params`)"};
    return *def;
}

// A bitmap map whose file did not load is a failed command, not a black
// picture.
void CheckBitmap(ReferenceTarget* obj, const std::string& file) {
    auto* bitmap = dynamic_cast<BitmapTex*>(obj);
    if (bitmap && !file.empty() && !bitmap->GetBitmap(0)) throw Failure{bitmap->GetLoadError()};
}

}  // namespace

Texmap* CreateMap(PluginHost& host, const std::string& className) {
    ClassDesc* cd = FindMapClass(host, className);
    auto* map = dynamic_cast<Texmap*>(static_cast<Animatable*>(cd->Create(FALSE)));
    if (!map) throw Failure{"cannot create " + className};
    return map;
}

ReferenceTarget* MakeMap(PluginHost& host, const std::string& text) {
    if (text == "none" || text.empty()) return nullptr;
    if (text[0] == '@') {
        const std::string file = text.substr(1);
        if (file.empty()) throw Failure{"@ needs a file name"};
        auto* bitmap = static_cast<BitmapTex*>(
            static_cast<Animatable*>(ClassDirectory::Get().CreateInstance(TEXMAP_CLASS_ID, BMTEX_CLASS_ID)));
        if (!bitmap) throw Failure{"the host has no bitmap map"};
        bitmap->SetMapName(FromUtf8(file).c_str());
        if (!bitmap->GetBitmap(0)) {
            const std::string why = bitmap->GetLoadError();
            bitmap->DeleteMe();
            throw Failure{why};
        }
        return bitmap;
    }
    return CreateMap(host, text);
}

void ParamSetter::Set(ReferenceTarget* root, const std::string& assignment) {
    const size_t eq = assignment.find('=');
    if (eq == std::string::npos) throw Usage{"--set expects NAME=VALUE, got \"" + assignment + "\""};
    Set(root, assignment.substr(0, eq), assignment.substr(eq + 1));
}

void ParamSetter::Set(ReferenceTarget* root, const std::string& path, const std::string& text) {
    const std::vector<Step> steps = ParsePath(path);
    ReferenceTarget* obj = root;
    std::string reached;
    for (size_t i = 0; i + 1 < steps.size(); ++i) {
        const ParamDef& def = FindParam(obj, steps[i].name);
        reached += (i ? "." : "") + steps[i].name;
        if (!IsRefType(def.type)) throw Failure{reached + " is not a map or sub-object, so it has no parameters"};
        ReferenceTarget* next = BlockOf(obj)->GetReferenceTarget(def.id, t_, steps[i].index);
        if (!next) throw Failure{reached + " holds nothing; set it first with " + reached + "=CLASSNAME"};
        obj = next;
    }

    const Step& step = steps.back();
    const ParamDef& def = FindParam(obj, step.name);
    IParamBlock2* pb = BlockOf(obj);
    const int type = def.type;
    if (IsTab(type) && step.index == pb->Count(def.id) && (def.flags & P_VARIABLE_SIZE)) pb->Append(def.id, 1);
    auto refuse = [&](const std::string& why) { throw Failure{"cannot set " + path + ": " + why}; };

    PB2Value v;
    ReferenceTarget* made = nullptr;
    if (IsFloatType(type)) {
        double d;
        if (!ParseNumber(text, d)) refuse("expects a number, got \"" + text + "\"");
        v = PB2Value(static_cast<float>(d));
    } else if (BaseType(type) == TYPE_BOOL) {
        if (text == "true" || text == "on" || text == "yes" || text == "1") v = PB2Value(1);
        else if (text == "false" || text == "off" || text == "no" || text == "0") v = PB2Value(0);
        else refuse("expects true or false, got \"" + text + "\"");
    } else if (IsIntType(type)) {
        int i;
        if (!ParseInt(text, i)) refuse("expects a whole number, got \"" + text + "\"");
        v = PB2Value(i);
    } else if (IsPoint3Type(type)) {
        const std::vector<double> n = ParseNumbers(text);
        if (n.size() != 3) refuse("expects three numbers, got \"" + text + "\"");
        v = PB2Value(Point3(n[0], n[1], n[2]));
    } else if (IsPoint4Type(type)) {
        const std::vector<double> n = ParseNumbers(text);
        if (n.size() != 3 && n.size() != 4) refuse("expects r,g,b or r,g,b,a, got \"" + text + "\"");
        v = PB2Value(Point4(float(n[0]), float(n[1]), float(n[2]), n.size() == 4 ? float(n[3]) : 1.0f));
    } else if (IsStringType(type)) {
        v = PB2Value(FromUtf8(text).c_str());
    } else if (BaseType(type) == TYPE_TEXMAP) {
        made = MakeMap(host_, text);
        v = PB2Value(made);
    } else {
        refuse("parameters of this type (" + std::to_string(type) + ") cannot be set from the command line");
    }

    std::string error;
    if (!ScriptSetParam(pb, step.name, v, error, step.index, t_)) {
        if (made) made->DeleteMe();
        refuse(error);
    }
    if (BaseType(type) == TYPE_FILENAME) CheckBitmap(obj, text);
}

}  // namespace cli
