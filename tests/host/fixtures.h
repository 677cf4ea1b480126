// Small classes of our own that use the host the way a plug-in does: a plain
// target with any number of references, a geometry object whose parameter
// block is reference 0, a map and a modifier. Each counts its live instances
// so that tests see leaks and early deletions.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "host/Max.h"

namespace hosttest {

constexpr Class_ID PLAIN_CID(0x7E570001, 0x1);
constexpr Class_ID WIDGET_CID(0x7E570002, 0x1);
constexpr Class_ID SWATCH_CID(0x7E570003, 0x1);
constexpr Class_ID BEND_CID(0x7E570004, 0x1);

// Registers the classes below with the class directory (repeatable).
void RegisterTestClasses();

struct Heard {
    RefMessage message;
    RefTargetHandle from;
};

// A target with a list of references, a name and a number. It records what it
// is told and answers with `answer`.
class Plain : public ReferenceTarget {
public:
    explicit Plain(int numRefs = 0, const char16_t* name = u"");
    ~Plain() override;

    Class_ID ClassID() override { return PLAIN_CID; }
    SClass_ID SuperClassID() override { return REF_TARGET_CLASS_ID; }
    void GetClassName(MSTR& s) const override { s = u"Plain"; }

    int NumRefs() override { return static_cast<int>(refs.size()); }
    RefTargetHandle GetReference(int i) override;
    void SetReference(int i, RefTargetHandle t) override;
    RefResult NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID& part, RefMessage message,
                               BOOL propagate) override;
    RefTargetHandle Clone(RemapDir& remap) override;
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

    std::vector<RefTargetHandle> refs;
    MSTR name;
    int number = 0;
    // When not negative, loading registers a post-load callback of this
    // priority. The callback of a target named "drop..." drops reference 0.
    int postLoadPriority = -1;
    RefResult answer = REF_SUCCEED;
    // Drops the reference to a target that reports its deletion, as many
    // plug-ins do.
    bool dropOnDelete = false;
    std::vector<Heard> heard;

    static inline int alive = 0;
};

// What a post-load callback saw when it ran.
struct PostLoadRun {
    MSTR name;
    int priority;
    int wiredRefs;    // non-null references of its object
    int sceneNodes;   // nodes in the scene
    bool envMapSet;
};
std::vector<PostLoadRun>& PostLoadLog();

// Parameters of the widget's block.
enum WidgetParam : ParamID {
    wp_size = 1,      // float, animatable, 0..100, map 0
    wp_count = 2,     // int, animatable, validator, map 0
    wp_on = 3,        // bool, map 0
    wp_tint = 4,      // colour, animatable, map 1
    wp_offset = 5,    // point3, animatable
    wp_glow = 6,      // colour with alpha
    wp_label = 7,     // string, map 0
    wp_file = 8,      // file name
    wp_map = 9,       // texmap
    wp_target = 10,   // node
    wp_weights = 11,  // table of floats, 2 entries of 0.5
    wp_maps = 12,     // table of targets
    wp_nodes = 13,    // table of nodes
    wp_names = 14,    // table of strings, 1 entry "first"
    wp_mode = 15,     // radio buttons, map 1
    wp_gain = 16,     // float declared with an integer default (2)
    wp_rim = 17,      // colour with alpha declared with a colour default
};

// The accessor every widget parameter uses. It records each call; what it
// changes is switched on by the flags.
struct AccessorCall {
    char kind;  // 'G' get, 'S' set, 'T' table change
    ParamID id;
    int tabIndex;
    tab_changes change;
    int count;
    ReferenceMaker* owner;
};

class WidgetAccessor : public PBAccessor {
public:
    void Get(PB2Value& v, ReferenceMaker* owner, ParamID id, int tabIndex, TimeValue t, Interval& valid) override;
    void Set(PB2Value& v, ReferenceMaker* owner, ParamID id, int tabIndex, TimeValue t) override;
    void TabChanged(tab_changes change, std::vector<PB2Value>* tab, ReferenceMaker* owner, ParamID id, int tabIndex,
                    int count) override;
    void Reset() { *this = WidgetAccessor(); }

    std::vector<AccessorCall> calls;
    bool decorateStrings = false;  // Get: strings read back in brackets
    bool clampCount = false;       // Set: wp_count at most 1000
};

class WidgetValidator : public PBValidator {
public:
    // Refuses a negative count.
    BOOL Validate(PB2Value& v, ReferenceMaker* owner, ParamID id, int tabIndex) override;
    int calls = 0;
    ReferenceMaker* lastOwner = nullptr;
};

WidgetAccessor& TheAccessor();
WidgetValidator& TheValidator();
ClassDesc2& WidgetDesc();
ParamBlockDesc2& WidgetBlockDesc();

// A geometry object whose parameter block is reference 0.
class Widget : public GeomObject {
public:
    explicit Widget(bool makeBlock = true);
    ~Widget() override;

    Class_ID ClassID() override { return WIDGET_CID; }
    void GetClassName(MSTR& s) const override { s = u"Widget"; }

    int NumRefs() override { return 1; }
    RefTargetHandle GetReference(int i) override { return i == 0 ? pblock : nullptr; }
    void SetReference(int i, RefTargetHandle t) override {
        if (i == 0) pblock = dynamic_cast<IParamBlock2*>(t);
    }
    int NumParamBlocks() override { return 1; }
    IParamBlock2* GetParamBlock(int i) override { return i == 0 ? pblock : nullptr; }
    IParamBlock2* GetParamBlockByID(BlockID id) override { return pblock && pblock->ID() == id ? pblock : nullptr; }
    RefResult NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID&, RefMessage message,
                               BOOL) override {
        heard.push_back({message, hTarget});
        return REF_SUCCEED;
    }
    RefTargetHandle Clone(RemapDir& remap) override;
    void BeginEditParams(IObjParam* ip, ULONG flags, Animatable* prev) override;
    void EndEditParams(IObjParam* ip, ULONG flags, Animatable* next) override;
    void GetLocalBoundBox(TimeValue, INode*, ViewExp*, Box3& box) override {
        box = Box3(Point3(-1, -1, -1), Point3(1, 1, 1));
    }

    IParamBlock2* pblock = nullptr;
    std::vector<Heard> heard;
    static inline int alive = 0;
};

// A map with one sub-map reference; its name travels in the host's chunks.
class Swatch : public Texmap {
public:
    explicit Swatch(const char16_t* name = u"");
    ~Swatch() override;
    Class_ID ClassID() override { return SWATCH_CID; }
    void GetClassName(MSTR& s) const override { s = u"Swatch"; }
    int NumRefs() override { return 1; }
    RefTargetHandle GetReference(int i) override { return i == 0 ? sub : nullptr; }
    void SetReference(int i, RefTargetHandle t) override {
        if (i == 0) sub = dynamic_cast<Texmap*>(t);
    }
    int NumSubTexmaps() override { return 1; }
    Texmap* GetSubTexmap(int i) override { return i == 0 ? sub : nullptr; }
    void SetSubTexmap(int i, Texmap* m) override {
        if (i == 0) ReplaceReference(0, m);
    }
    RefTargetHandle Clone(RemapDir& remap) override;

    Texmap* sub = nullptr;
    static inline int alive = 0;
};

// A modifier that logs its name when applied and may hand on another object.
class Bend : public Modifier {
public:
    explicit Bend(const char16_t* name = u"bend");
    ~Bend() override;
    Class_ID ClassID() override { return BEND_CID; }
    void GetClassName(MSTR& s) const override { s = u"Bend"; }
    void ModifyObject(TimeValue t, ModContext& mc, ObjectState* os, INode* node) override;
    RefTargetHandle Clone(RemapDir& remap) override;

    MSTR name;
    Object* output = nullptr;  // not a reference; the test keeps it alive
    static inline std::vector<MSTR> applied;
    static inline int alive = 0;
};

// Live instances of every test class, to compare before and after.
struct Census {
    int plain = Plain::alive;
    int widget = Widget::alive;
    int swatch = Swatch::alive;
    int bend = Bend::alive;
    bool operator==(const Census&) const = default;
};
inline void PrintTo(const Census& c, std::ostream* os) {
    *os << "{plain " << c.plain << ", widget " << c.widget << ", swatch " << c.swatch << ", bend " << c.bend << "}";
}

// Turns animation on for a scope.
class Animate {
public:
    Animate() { AnimateOn(); }
    ~Animate() { AnimateOff(); }
};

}  // namespace hosttest
