// What the scatter's block does on its own: regeneration when a parameter
// that shapes the layout is set, companion tables kept in step with the node
// tables, and the check of the nodes a user may list.
#pragma once

#include "host/Max.h"

namespace Nimbal {

class ScatterPBAccessor : public PBAccessor {
public:
    void Set(PB2Value& v, ReferenceMaker* owner, ParamID id, int tabIndex, TimeValue t) override;
    void TabChanged(tab_changes change, std::vector<PB2Value>* tab, ReferenceMaker* owner, ParamID id, int tabIndex,
                    int count) override;
};

// Accepts a node whose object can become a triangle mesh, and for the
// scattered objects also a light or a proxy of this library.
class ScatterNodeValidator : public PBValidator {
public:
    BOOL Validate(PB2Value& v, ReferenceMaker* owner, ParamID id, int tabIndex) override;
    // Without the parameter the rule cannot be chosen: a programming error.
    BOOL Validate(PB2Value& v) override;
};

}  // namespace Nimbal
