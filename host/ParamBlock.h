// Parameter blocks: a descriptor per class (ids, internal names, types,
// defaults, ranges, user-interface data) and one typed store per object that
// animates, validates, notifies and holds its references.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "host/Geom.h"
#include "host/Reference.h"

class ClassDesc2;
class INode;
class Mtl;
class Texmap;
class ParamMap2UserDlgProc;

enum ParamType2 : int {
    TYPE_FLOAT = 0,
    TYPE_INT = 1,
    TYPE_RGBA = 2,
    TYPE_POINT3 = 3,
    TYPE_BOOL = 4,
    TYPE_ANGLE = 5,
    TYPE_PCNT_FRAC = 6,
    TYPE_WORLD = 7,
    TYPE_STRING = 8,
    TYPE_FILENAME = 9,
    TYPE_HSV = 10,
    TYPE_COLOR_CHANNEL = 11,
    TYPE_TIMEVALUE = 12,
    TYPE_RADIOBTN_INDEX = 13,
    TYPE_MTL = 14,
    TYPE_TEXMAP = 15,
    TYPE_BITMAP = 16,
    TYPE_INODE = 17,
    TYPE_REFTARG = 18,
    TYPE_INDEX = 19,
    TYPE_MATRIX3 = 20,
    TYPE_PBLOCK2 = 21,
    TYPE_POINT4 = 22,
    TYPE_FRGBA = 23,
    TYPE_VOID = 0x7F,
    TYPE_TAB = 0x800,
};

constexpr ParamType2 TabOf(ParamType2 t) { return static_cast<ParamType2>(t | TYPE_TAB); }
constexpr ParamType2 BaseType(int t) { return static_cast<ParamType2>(t & ~TYPE_TAB); }
constexpr bool IsTab(int t) { return (t & TYPE_TAB) != 0; }
constexpr bool IsRefType(int t) {
    const int b = t & ~TYPE_TAB;
    return b == TYPE_MTL || b == TYPE_TEXMAP || b == TYPE_INODE || b == TYPE_REFTARG || b == TYPE_PBLOCK2;
}
constexpr bool IsFloatType(int t) {
    const int b = t & ~TYPE_TAB;
    return b == TYPE_FLOAT || b == TYPE_ANGLE || b == TYPE_PCNT_FRAC || b == TYPE_WORLD || b == TYPE_COLOR_CHANNEL;
}
constexpr bool IsIntType(int t) {
    const int b = t & ~TYPE_TAB;
    return b == TYPE_INT || b == TYPE_BOOL || b == TYPE_RADIOBTN_INDEX || b == TYPE_TIMEVALUE || b == TYPE_INDEX;
}
constexpr bool IsPoint3Type(int t) {
    const int b = t & ~TYPE_TAB;
    return b == TYPE_RGBA || b == TYPE_POINT3 || b == TYPE_HSV;
}
constexpr bool IsPoint4Type(int t) {
    const int b = t & ~TYPE_TAB;
    return b == TYPE_FRGBA || b == TYPE_POINT4;
}
constexpr bool IsStringType(int t) {
    const int b = t & ~TYPE_TAB;
    return b == TYPE_STRING || b == TYPE_FILENAME;
}

// Parameter flags.
constexpr int P_ANIMATABLE = 0x0001;
constexpr int P_TRANSIENT = 0x0002;
constexpr int P_NO_INIT = 0x0004;
constexpr int P_VARIABLE_SIZE = 0x0008;
constexpr int P_OBSOLETE = 0x0010;
constexpr int P_INVISIBLE = 0x0020;
constexpr int P_RESET_DEFAULT = 0x0040;
constexpr int P_NO_AUTO_LABELS = 0x0080;

// Block flags.
constexpr int P_AUTO_CONSTRUCT = 0x0100;
constexpr int P_AUTO_UI = 0x0200;
constexpr int P_VERSION = 0x0400;
constexpr int P_MULTIMAP = 0x0800;
constexpr int P_CLASS_PARAMS = 0x1000;

// Rollout flags.
constexpr int APPENDROLL_CLOSED = 0x0001;

// Control kinds of the generated user interface.
enum ControlType2 : int {
    TYPE_NONE = 0,
    TYPE_SPINNER,
    TYPE_RADIO,
    TYPE_SINGLECHECKBOX,
    TYPE_CHECKBUTTON,
    TYPE_COLORSWATCH,
    TYPE_INT_COMBOBOX,
    TYPE_EDITBOX,
    TYPE_TEXMAPBUTTON,
    TYPE_MTLBUTTON,
    TYPE_PICKNODEBUTTON,
    TYPE_NODELISTBOX,
    TYPE_FILEOPENBUTTON,
    TYPE_FILESAVEBUTTON,
    TYPE_SLIDER,
    TYPE_LISTBOX,
};

// Display dimension of a number in the user interface.
enum ParamDim : int { DIM_NONE = 0, DIM_WORLD, DIM_ANGLE, DIM_PERCENT };

// One value of a parameter (or of one table entry). Only the member that the
// parameter's type uses is meaningful.
struct PB2Value {
    PB2Value() = default;
    PB2Value(float v) : f(v) {}
    PB2Value(double v) : f(static_cast<float>(v)) {}
    PB2Value(int v) : i(v) {}
    PB2Value(bool v) : i(v ? 1 : 0) {}
    PB2Value(const Point3& v) : p(v) {}
    PB2Value(const Color& v) : p(v.r, v.g, v.b) {}
    PB2Value(const AColor& v) : p4(v.r, v.g, v.b, v.a) {}
    PB2Value(const Point4& v) : p4(v) {}
    PB2Value(const char* utf8) : s(FromUtf8(utf8 ? utf8 : "")) {}
    PB2Value(const MCHAR* text) : s(text ? text : u"") {}
    PB2Value(ReferenceTarget* t) : r(t) {}

    float f = 0.0f;
    int i = 0;
    Point3 p{0.0f, 0.0f, 0.0f};
    Point4 p4{0.0f, 0.0f, 0.0f, 0.0f};
    MSTR s;
    ReferenceTarget* r = nullptr;
};

struct ParamRange {
    double low;
    double high;
};

// One item of a radio group or drop-down list: its label and stored value.
struct ParamUiItem {
    int labelId;
    int value;
};

struct ParamUi {
    ParamUi(ControlType2 k = TYPE_NONE, std::vector<int> ids = {}, float scale = 0.0f,
            std::vector<ParamUiItem> itemList = {})
        : kind(k), ctrlIds(std::move(ids)), spinScale(scale), items(std::move(itemList)) {}
    ControlType2 kind = TYPE_NONE;
    std::vector<int> ctrlIds;
    float spinScale = 0.0f;
    std::vector<ParamUiItem> items;
};

class PBAccessor;
class PBValidator;

// One parameter's declaration, in the column order of a parameter table.
struct ParamDef {
    ParamID id = -1;
    const char* name = "";
    int type = TYPE_FLOAT;
    int flags = 0;
    PB2Value def{};
    std::optional<ParamRange> range{};
    ParamUi ui{};
    MapID map = 0;      // the rollout whose controls show it
    int localName = 0;  // string-table id of the label
    int tooltip = 0;    // string-table id
    int fileTypes = 0;  // string-table id of the file filter
    int assetType = 0;  // passed to the host's file resolution unchanged
    int subTexNo = -1;
    int subMtlNo = -1;
    int refNo = -1;
    ParamDim dim = DIM_NONE;
    PBAccessor* accessor = nullptr;
    PBValidator* validator = nullptr;
    int tableSize = 0;  // initial number of entries of a table

    bool IsAnimatable() const { return (flags & P_ANIMATABLE) != 0; }
    // Whether a value is one that the control writes (radio or drop-down).
    bool IsControlValue(int v) const;
};

struct RolloutDesc {
    MapID mapId = 0;
    int dialogId = 0;
    int titleId = 0;
    int flags = 0;
    ParamMap2UserDlgProc* dlgProc = nullptr;
};

struct BlockDesc {
    BlockID id = 0;
    const char* name = "";
    int localName = 0;
    ClassDesc2* owner = nullptr;
    int flags = P_AUTO_CONSTRUCT | P_AUTO_UI;
    int version = 0;
    int refNo = 0;
    std::vector<RolloutDesc> rollouts{};
};

class ParamBlockDesc2 {
public:
    // Registers itself with its owner descriptor.
    ParamBlockDesc2(BlockDesc block, std::vector<ParamDef> params);
    ParamBlockDesc2(const ParamBlockDesc2&) = delete;
    ParamBlockDesc2& operator=(const ParamBlockDesc2&) = delete;

    BlockID ID() const { return block_.id; }
    const char* InternalName() const { return block_.name; }
    int LocalName() const { return block_.localName; }
    ClassDesc2* Owner() const { return block_.owner; }
    int Flags() const { return block_.flags; }
    int Version() const { return block_.version; }
    int RefNo() const { return block_.refNo; }
    const std::vector<RolloutDesc>& Rollouts() const { return block_.rollouts; }

    int Count() const { return static_cast<int>(params_.size()); }
    const ParamDef& GetParamDefByIndex(int index) const { return params_.at(index); }
    const ParamDef* GetParamDef(ParamID id) const;
    const ParamDef* FindByName(std::string_view name) const;
    int IDtoIndex(ParamID id) const;
    ParamID IndextoID(int index) const;

    void SetUserDlgProc(MapID map, ParamMap2UserDlgProc* proc);
    ParamMap2UserDlgProc* GetUserDlgProc(MapID map = 0) const;
    // Accessors and validators are attached after construction when the
    // behaviour that needs them is built.
    void SetAccessor(ParamID id, PBAccessor* accessor);
    void SetValidator(ParamID id, PBValidator* validator);

private:
    BlockDesc block_;
    std::vector<ParamDef> params_;
};

enum tab_changes { tab_insert, tab_append, tab_delete, tab_ref_deleted, tab_setcount, tab_sort };

class PBAccessor {
public:
    virtual ~PBAccessor() = default;
    // Called after a value is read; may change what the caller sees.
    virtual void Get(PB2Value&, ReferenceMaker* owner, ParamID id, int tabIndex, TimeValue t, Interval& valid) {
        (void)owner; (void)id; (void)tabIndex; (void)t; (void)valid;
    }
    // Called before a value is stored; may change what is stored.
    virtual void Set(PB2Value&, ReferenceMaker* owner, ParamID id, int tabIndex, TimeValue t) {
        (void)owner; (void)id; (void)tabIndex; (void)t;
    }
    // Called after a table changed size.
    virtual void TabChanged(tab_changes change, std::vector<PB2Value>* tab, ReferenceMaker* owner, ParamID id,
                            int tabIndex, int count) {
        (void)change; (void)tab; (void)owner; (void)id; (void)tabIndex; (void)count;
    }
};

class PBValidator {
public:
    virtual ~PBValidator() = default;
    virtual BOOL Validate(PB2Value&) { return TRUE; }
    virtual BOOL Validate(PB2Value& v, ReferenceMaker* owner, ParamID id, int tabIndex) {
        (void)owner; (void)id; (void)tabIndex;
        return Validate(v);
    }
};

// What a loaded block remembers of the file it came from.
constexpr Interface_ID IPARAMBLOCK2POSTLOADINFO_ID(0x6C7B290A, 0x7C56423C);

class BaseInterface {
public:
    virtual ~BaseInterface() = default;
    virtual Interface_ID GetID() = 0;
};

class IParamBlock2PostLoadInfo : public BaseInterface {
public:
    Interface_ID GetID() override { return IPARAMBLOCK2POSTLOADINFO_ID; }
    virtual DWORD GetVersion() = 0;
};

class IParamMap2;

class IParamBlock2 : public ReferenceTarget {
public:
    IParamBlock2(ParamBlockDesc2* desc, ReferenceMaker* owner);
    ~IParamBlock2() override;

    // Identity.
    Class_ID ClassID() override { return PBLOCK2_CLASS_ID; }
    SClass_ID SuperClassID() override { return PARAMETER_BLOCK2_CLASS_ID; }
    void GetClassName(MSTR& s) const override { s = u"ParamBlock2"; }
    BlockID ID() const { return desc_->ID(); }
    ParamBlockDesc2* GetDesc() const { return desc_; }
    ReferenceMaker* GetOwner() { return GetOwnerOrDependent(); }
    void SetOwner(ReferenceMaker* owner) { owner_ = owner; }
    int GetVersion() const { return desc_->Version(); }
    int NumParams() const { return desc_->Count(); }
    ParamID IndextoID(int index) const { return desc_->IndextoID(index); }
    int IDtoIndex(ParamID id) const { return desc_->IDtoIndex(id); }
    int GetParameterType(ParamID id) const;
    const ParamDef* GetParamDef(ParamID id) const { return desc_->GetParamDef(id); }

    // Values. A getter on a missing id or entry returns the zero value.
    BOOL SetValue(ParamID id, TimeValue t, float v, int tabIndex = 0);
    BOOL SetValue(ParamID id, TimeValue t, int v, int tabIndex = 0);
    BOOL SetValue(ParamID id, TimeValue t, const Point3& v, int tabIndex = 0);
    BOOL SetValue(ParamID id, TimeValue t, const Color& v, int tabIndex = 0);
    BOOL SetValue(ParamID id, TimeValue t, const Point4& v, int tabIndex = 0);
    BOOL SetValue(ParamID id, TimeValue t, const AColor& v, int tabIndex = 0);
    BOOL SetValue(ParamID id, TimeValue t, const MCHAR* v, int tabIndex = 0);
    BOOL SetValue(ParamID id, TimeValue t, ReferenceTarget* v, int tabIndex = 0);
    BOOL SetValue(ParamID id, TimeValue t, const PB2Value& v, int tabIndex = 0);

    BOOL GetValue(ParamID id, TimeValue t, float& v, Interval& valid, int tabIndex = 0);
    BOOL GetValue(ParamID id, TimeValue t, int& v, Interval& valid, int tabIndex = 0);
    BOOL GetValue(ParamID id, TimeValue t, Point3& v, Interval& valid, int tabIndex = 0);
    BOOL GetValue(ParamID id, TimeValue t, Color& v, Interval& valid, int tabIndex = 0);
    BOOL GetValue(ParamID id, TimeValue t, PB2Value& v, Interval& valid, int tabIndex = 0);

    float GetFloat(ParamID id, TimeValue t = 0, int tabIndex = 0);
    int GetInt(ParamID id, TimeValue t = 0, int tabIndex = 0);
    Point3 GetPoint3(ParamID id, TimeValue t = 0, int tabIndex = 0);
    Color GetColor(ParamID id, TimeValue t = 0, int tabIndex = 0);
    Point4 GetPoint4(ParamID id, TimeValue t = 0, int tabIndex = 0);
    AColor GetAColor(ParamID id, TimeValue t = 0, int tabIndex = 0);
    const MCHAR* GetStr(ParamID id, TimeValue t = 0, int tabIndex = 0);
    Texmap* GetTexmap(ParamID id, TimeValue t = 0, int tabIndex = 0);
    Mtl* GetMtl(ParamID id, TimeValue t = 0, int tabIndex = 0);
    INode* GetINode(ParamID id, TimeValue t = 0, int tabIndex = 0);
    ReferenceTarget* GetReferenceTarget(ParamID id, TimeValue t = 0, int tabIndex = 0);
    // The stored value before accessors, at time t.
    PB2Value GetRawValue(ParamID id, TimeValue t = 0, int tabIndex = 0) const;

    // Tables.
    int Count(ParamID id) const;
    int SetCount(ParamID id, int n);
    int Append(ParamID id, int count, const PB2Value* values = nullptr);
    int Insert(ParamID id, int at, int count, const PB2Value* values = nullptr);
    int Delete(ParamID id, int at, int count);
    void ZeroCount(ParamID id) { SetCount(id, 0); }

    // Animation.
    int NumKeys(ParamID id, int tabIndex = 0) const;
    void DeleteKeys(ParamID id, int tabIndex = 0);
    void GetValidity(TimeValue t, Interval& valid);
    bool IsAnimated(ParamID id, int tabIndex = 0) const { return NumKeys(id, tabIndex) > 0; }

    // Defaults.
    void ResetAll(BOOL updateUI = TRUE, BOOL callSetHandlers = TRUE);
    void Reset(ParamID id, int tabIndex = -1, BOOL updateUI = TRUE, BOOL callSetHandlers = TRUE);
    // Replays every stored value through the accessors' Set, as the host does
    // after loading.
    void CallSets();

    // Validation as the user interface and scripts apply it.
    BOOL Validate(ParamID id, PB2Value& v, int tabIndex = 0);

    // The parameter (and table entry) of the last change this block reported.
    ParamID LastNotifyParamID() const { return lastNotifyId_; }
    ParamID LastNotifyParamID(int& tabIndex) const { tabIndex = lastNotifyTab_; return lastNotifyId_; }

    // User interface.
    void SetMap(IParamMap2* map, MapID id = 0);
    IParamMap2* GetMap(MapID id = 0) const;

    // Load bookkeeping: the version the block was saved with.
    void SetLoadedVersion(int version) { loadedVersion_ = version; hasLoadedVersion_ = true; }
    BaseInterface* GetInterface(Interface_ID id) override;

    // Reference system.
    int NumRefs() override;
    RefTargetHandle GetReference(int i) override;
    void SetReference(int i, RefTargetHandle target) override;
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    RefTargetHandle Clone(RemapDir& remap) override;
    int NumSubs() override { return NumRefs(); }
    Animatable* SubAnim(int i) override { return GetReference(i); }

    // Raw storage for persistence.
    struct Key {
        TimeValue t;
        PB2Value v;
    };
    struct Entry {
        PB2Value value;
        std::vector<Key> keys;  // sorted by time; empty when not animated
    };
    struct Slot {
        std::vector<Entry> entries;  // one for a plain parameter
    };
    const Slot* GetSlot(ParamID id) const;
    Slot* GetSlotForLoad(ParamID id);

private:
    class PostLoadInfo : public IParamBlock2PostLoadInfo {
    public:
        explicit PostLoadInfo(IParamBlock2* pb) : pb_(pb) {}
        DWORD GetVersion() override { return static_cast<DWORD>(pb_->loadedVersion_); }

    private:
        IParamBlock2* pb_;
    };

    Slot* FindSlot(ParamID id, const ParamDef** def = nullptr);
    const Slot* FindSlot(ParamID id, const ParamDef** def = nullptr) const;
    int RefIndexOf(ParamID id, int tabIndex) const;
    bool LocateRef(int refIndex, int& slot, int& entry) const;
    PB2Value ValueAt(const ParamDef& def, const Entry& e, TimeValue t, Interval* valid) const;
    BOOL Store(ParamID id, TimeValue t, PB2Value v, int tabIndex, bool callSet);
    void Changed(ParamID id, int tabIndex);
    // Table storage and references only; the callers tell the accessor.
    bool InsertEntries(ParamID id, int at, int count, const PB2Value* values);
    bool DeleteEntries(ParamID id, int at, int count);
    bool ResetEntries(ParamID id, int tabIndex, BOOL updateUI, BOOL callSetHandlers);

    ReferenceMaker* GetOwnerOrDependent();

    ParamBlockDesc2* desc_;
    ReferenceMaker* owner_;
    // What accessors handed back to GetStr, one text per entry, so that
    // pointers to several parameters stay valid together.
    std::map<std::pair<ParamID, int>, MSTR> readBack_;
    std::vector<Slot> slots_;  // in descriptor order
    std::vector<IParamMap2*> maps_;
    ParamID lastNotifyId_ = -1;
    int lastNotifyTab_ = -1;
    int loadedVersion_ = 0;
    bool hasLoadedVersion_ = false;
    PostLoadInfo postLoadInfo_{this};
};

IParamBlock2* CreateParameterBlock2(ParamBlockDesc2* desc, ReferenceMaker* owner);

// The reference and sub-anim plumbing of a host class whose one reference is
// its parameter block (block id 0, shown as "Parameters").
template <class Base>
class SingleBlockOwner : public Base {
public:
    IParamBlock2* pblock = nullptr;
    int NumRefs() override { return 1; }
    RefTargetHandle GetReference(int i) override { return i == 0 ? pblock : nullptr; }
    void SetReference(int i, RefTargetHandle target) override {
        if (i == 0) pblock = dynamic_cast<IParamBlock2*>(target);
    }
    int NumSubs() override { return 1; }
    Animatable* SubAnim(int i) override { return i == 0 ? pblock : nullptr; }
    MSTR SubAnimName(int i) override { return i == 0 ? MSTR(u"Parameters") : MSTR(); }
    int NumParamBlocks() override { return 1; }
    IParamBlock2* GetParamBlock(int) override { return pblock; }
    IParamBlock2* GetParamBlockByID(BlockID id) override { return id == 0 ? pblock : nullptr; }
};

// The animate switch: while on, setting an animatable parameter sets a key.
BOOL Animating();
void AnimateOn();
void AnimateOff();
