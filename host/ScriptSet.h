// Setting a parameter the way a script does: by internal name, refused with a
// clear error when the value is outside the declared range (unless it is one
// the parameter's radio buttons or drop-down write) or the validator says no.
// Values set from code (IParamBlock2::SetValue) are stored as given instead.
#pragma once

#include <string>
#include <string_view>

#include "host/ParamBlock.h"

bool ScriptSetParam(IParamBlock2* pb, std::string_view name, const PB2Value& value, std::string& error,
                    int tabIndex = 0, TimeValue t = 0);
