#include "host/ScriptSet.h"

#include <cmath>
#include <sstream>

namespace {
bool Outside(double v, const ParamRange& r) { return !(v >= r.low && v <= r.high); }
// A float parameter holds floats: its bounds are the floats nearest to the
// declared ones, or a bound such as 0.0001 could not be set itself.
bool Outside(float v, const ParamRange& r) {
    return !(v >= static_cast<float>(r.low) && v <= static_cast<float>(r.high));
}

std::string RangeText(const ParamRange& r) {
    std::ostringstream s;
    s << "[" << r.low << ", " << r.high << "]";
    return s.str();
}
}  // namespace

bool ScriptSetParam(IParamBlock2* pb, std::string_view name, const PB2Value& value, std::string& error, int tabIndex,
                    TimeValue t) {
    const ParamDef* def = pb ? pb->GetDesc()->FindByName(name) : nullptr;
    if (!def) {
        error = "no parameter named \"" + std::string(name) + "\"";
        return false;
    }
    // Built by appending: the short-literal + temporary form trips a false
    // -Wrestrict in optimised builds.
    std::string label = "\"";
    label.append(name).append("\"");
    if (tabIndex < 0 || tabIndex >= pb->Count(def->id)) {
        error = label + ": no entry " + std::to_string(tabIndex);
        return false;
    }
    const int type = def->type;
    if (IsFloatType(type)) {
        if (!std::isfinite(value.f)) return error = label + ": not a finite number", false;
        if (def->range && Outside(value.f, *def->range)) {
            std::ostringstream s;
            s << label << ": " << value.f << " is outside " << RangeText(*def->range);
            return error = s.str(), false;
        }
    } else if (BaseType(type) == TYPE_BOOL) {
        if (value.i != 0 && value.i != 1) return error = label + ": expects true or false", false;
    } else if (IsIntType(type)) {
        if (def->range && Outside(static_cast<double>(value.i), *def->range) && !def->IsControlValue(value.i)) {
            return error = label + ": " + std::to_string(value.i) + " is outside " + RangeText(*def->range), false;
        }
    } else if (IsPoint3Type(type)) {
        for (float c : {value.p.x, value.p.y, value.p.z}) {
            if (!std::isfinite(c)) return error = label + ": not a finite number", false;
            if (def->range && Outside(c, *def->range)) {
                std::ostringstream s;
                s << label << ": component " << c << " is outside " << RangeText(*def->range);
                return error = s.str(), false;
            }
        }
    }
    PB2Value v = value;
    if (!pb->Validate(def->id, v, tabIndex)) return error = label + ": value refused", false;
    if (!pb->SetValue(def->id, t, v, tabIndex)) return error = label + ": cannot be set", false;
    return true;
}
