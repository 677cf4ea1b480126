#include <cmath>
#include <iomanip>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "Commands.h"
#include "PluginHost.h"

namespace cli {
namespace {

using nlohmann::json;

// JSON has no non-finite numbers; they travel as text.
json Number(double v) {
    if (std::isnan(v)) return "nan";
    if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
    return v;
}

const char* ControlName(ControlType2 kind) {
    switch (kind) {
    case TYPE_NONE: return nullptr;
    case TYPE_SPINNER: return "spinner";
    case TYPE_RADIO: return "radio";
    case TYPE_SINGLECHECKBOX: return "checkbox";
    case TYPE_CHECKBUTTON: return "checkbutton";
    case TYPE_COLORSWATCH: return "colorswatch";
    case TYPE_INT_COMBOBOX: return "dropdown";
    case TYPE_EDITBOX: return "editbox";
    case TYPE_TEXMAPBUTTON: return "texmapbutton";
    case TYPE_MTLBUTTON: return "mtlbutton";
    case TYPE_PICKNODEBUTTON: return "picknodebutton";
    case TYPE_NODELISTBOX: return "nodelistbox";
    case TYPE_FILEOPENBUTTON: return "fileopenbutton";
    case TYPE_FILESAVEBUTTON: return "filesavebutton";
    case TYPE_SLIDER: return "slider";
    case TYPE_LISTBOX: return "listbox";
    }
    return nullptr;
}

const char* DimName(ParamDim dim) {
    switch (dim) {
    case DIM_WORLD: return "world";
    case DIM_ANGLE: return "angle";
    case DIM_PERCENT: return "percent";
    default: return nullptr;
    }
}

json DefaultOf(const ParamDef& d) {
    const int t = d.type;
    if (IsFloatType(t)) return Number(d.def.f);
    if (BaseType(t) == TYPE_BOOL) return d.def.i != 0;
    if (IsIntType(t)) return d.def.i;
    if (IsPoint3Type(t)) return {Number(d.def.p.x), Number(d.def.p.y), Number(d.def.p.z)};
    if (IsPoint4Type(t)) return {Number(d.def.p4.x), Number(d.def.p4.y), Number(d.def.p4.z), Number(d.def.p4.w)};
    if (IsStringType(t)) return ToUtf8(d.def.s);
    return nullptr;
}

json RangeOf(const ParamDef& d) {
    if (!d.range) return nullptr;
    if (IsIntType(d.type)) return {static_cast<long long>(d.range->low), static_cast<long long>(d.range->high)};
    return {Number(d.range->low), Number(d.range->high)};
}

std::string Text(ClassDesc* cd, int id) { return id ? ToUtf8(cd->GetRsrcString(id)) : std::string(); }

json Describe(ClassDesc* cd) {
    auto* cd2 = dynamic_cast<ClassDesc2*>(cd);
    ParamBlockDesc2* desc = cd2 ? cd2->GetParamBlockDesc(0) : nullptr;
    json out = {{"className", ToUtf8(cd->ClassName())}};
    if (!desc) {
        out["block"] = nullptr;
        out["params"] = json::array();
        return out;
    }
    out["block"] = {{"name", desc->InternalName()},
                    {"id", desc->ID()},
                    {"localName", Text(cd, desc->LocalName())},
                    {"version", desc->Version()}};
    json rollouts = json::array();
    for (const RolloutDesc& r : desc->Rollouts()) {
        rollouts.push_back({{"mapId", r.mapId},
                            {"dialog", r.dialogId},
                            {"title", Text(cd, r.titleId)},
                            {"closed", (r.flags & APPENDROLL_CLOSED) != 0}});
    }
    out["block"]["rollouts"] = rollouts;
    json params = json::array();
    for (int i = 0; i < desc->Count(); ++i) {
        const ParamDef& d = desc->GetParamDefByIndex(i);
        json p = {{"id", d.id},
                  {"name", d.name},
                  {"type", d.type},
                  {"animatable", d.IsAnimatable()},
                  {"default", DefaultOf(d)},
                  {"range", RangeOf(d)}};
        if (d.flags & P_OBSOLETE) p["obsolete"] = true;
        if (IsTab(d.type)) p["tableSize"] = (d.flags & P_VARIABLE_SIZE) ? json("variable") : json(d.tableSize);
        if (d.localName) p["localName"] = Text(cd, d.localName);
        if (d.tooltip) p["tooltip"] = Text(cd, d.tooltip);
        if (const char* dim = DimName(d.dim)) p["dim"] = dim;
        if (d.subTexNo >= 0) p["subMap"] = d.subTexNo;
        if (d.subMtlNo >= 0) p["subMtl"] = d.subMtlNo;
        if (d.fileTypes) p["fileTypes"] = Text(cd, d.fileTypes);
        if (d.assetType) p["assetType"] = d.assetType;
        if (const char* kind = ControlName(d.ui.kind)) {
            json ui = {{"kind", kind}, {"rollout", d.map}};
            if (!d.ui.items.empty()) {
                json items = json::array();
                for (const ParamUiItem& it : d.ui.items) items.push_back({{"label", Text(cd, it.labelId)}, {"value", it.value}});
                ui["items"] = items;
            }
            p["ui"] = ui;
        }
        params.push_back(p);
    }
    out["params"] = params;
    // The sub-map slots an instance shows.
    ReferenceTarget* instance = PluginHost::Get().Create(cd);
    if (auto* obj = dynamic_cast<MtlBase*>(instance)) {
        json slots = json::array();
        for (int i = 0; i < obj->NumSubTexmaps(); ++i) slots.push_back(ToUtf8(obj->GetSubTexmapSlotName(i)));
        if (!slots.empty()) out["subMaps"] = slots;
        if (auto* mtl = dynamic_cast<Mtl*>(obj)) {
            json subs = json::array();
            for (int i = 0; i < mtl->NumSubMtls(); ++i) subs.push_back(ToUtf8(mtl->GetSubMtlSlotName(i)));
            if (!subs.empty()) out["subMtls"] = subs;
        }
    }
    instance->DeleteMe();
    return out;
}

std::string Show(const json& v) {
    if (v.is_null()) return "-";
    if (v.is_string()) return v.get<std::string>();
    if (v.is_array()) {
        std::string s = "(";
        for (size_t i = 0; i < v.size(); ++i) s += (i ? ", " : "") + Show(v[i]);
        return s + ")";
    }
    return v.dump();
}

void PrintText(const json& c) {
    std::cout << c["className"].get<std::string>();
    if (c["block"].is_null()) {
        std::cout << ": no parameter block\n";
        return;
    }
    const json& b = c["block"];
    std::cout << ": block \"" << b["name"].get<std::string>() << "\" id " << b["id"] << ", version " << b["version"]
              << ", " << c["params"].size() << " parameters\n";
    std::cout << std::left << std::setw(7) << "  id" << std::setw(28) << "name" << std::setw(8) << "type"
              << std::setw(6) << "anim" << std::setw(26) << "default" << "range\n";
    for (const json& p : c["params"]) {
        std::ostringstream type;
        type << "0x" << std::hex << p["type"].get<int>();
        std::cout << "  " << std::left << std::setw(5) << p["id"].get<int>() << std::setw(28)
                  << p["name"].get<std::string>() << std::setw(8) << (p["type"].get<int>() >= 0x800 ? type.str() : std::to_string(p["type"].get<int>()))
                  << std::setw(6) << (p["animatable"].get<bool>() ? "yes" : "no") << std::setw(26) << Show(p["default"])
                  << Show(p["range"]) << "\n";
    }
}

}  // namespace

void addParamsCommand(CLI::App& app) {
    auto* cmd = app.add_subcommand("params", "Show a class's parameter block as its descriptor declares it");
    auto name = std::make_shared<std::string>();
    auto json = std::make_shared<bool>(false);
    auto all = std::make_shared<bool>(false);
    cmd->add_option("CLASSNAME", *name, "Class name, e.g. NProxy (see `nimbal classes`)");
    cmd->add_flag("--json", *json, "Print JSON");
    cmd->add_flag("--all", *all, "Every class");
    cmd->callback([name, json, all] {
        PluginHost& host = PluginHost::Get();
        std::vector<ClassDesc*> classes;
        if (*all) {
            classes = host.Classes();
        } else {
            if (name->empty()) throw CLI::ValidationError("CLASSNAME", "give a class name or --all");
            ClassDesc* cd = host.FindClass(*name);
            if (!cd) throw Failure{"unknown class: " + *name + " (see `nimbal classes`)"};
            classes.push_back(cd);
        }
        nlohmann::json out = nlohmann::json::array();
        for (ClassDesc* cd : classes) out.push_back(Describe(cd));
        if (*json) {
            std::cout << (*all ? out : out[0]).dump(2) << "\n";
            return;
        }
        for (const auto& c : out) PrintText(c);
    });
}

}  // namespace cli
