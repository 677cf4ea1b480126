#include "fixtures.h"

#include <algorithm>

namespace hosttest {
namespace {

constexpr USHORT CHUNK_PLAIN_REFS = 0x7010;
constexpr USHORT CHUNK_PLAIN_NAME = 0x7011;
constexpr USHORT CHUNK_PLAIN_NUMBER = 0x7012;
constexpr USHORT CHUNK_PLAIN_POSTLOAD = 0x7013;

template <class T>
class TestDesc : public ClassDesc2 {
public:
    TestDesc(const MCHAR* name, SClass_ID sclass, Class_ID cid) : name_(name), sclass_(sclass), cid_(cid) {}
    int IsPublic() override { return 1; }
    void* Create(BOOL) override { return new T(); }
    const MCHAR* ClassName() override { return name_; }
    const MCHAR* InternalName() override { return name_; }
    SClass_ID SuperClassID() override { return sclass_; }
    Class_ID ClassID() override { return cid_; }
    const MCHAR* Category() override { return u"Host tests"; }
    MSTR GetRsrcString(int id) override {
        switch (id) {
        case 10: return u"Widget";
        case 11: return u"Looks";
        case 20: return u"Size";
        case 21: return u"Count";
        case 22: return u"Tint";
        default: return ClassDesc2::GetRsrcString(id);
        }
    }

private:
    const MCHAR* name_;
    SClass_ID sclass_;
    Class_ID cid_;
};

TestDesc<Plain> g_plainDesc(u"Plain", REF_TARGET_CLASS_ID, PLAIN_CID);
TestDesc<Widget> g_widgetDesc(u"Widget", GEOMOBJECT_CLASS_ID, WIDGET_CID);
TestDesc<Swatch> g_swatchDesc(u"Swatch", TEXMAP_CLASS_ID, SWATCH_CID);
TestDesc<Bend> g_bendDesc(u"Bend", OSM_CLASS_ID, BEND_CID);

WidgetAccessor g_accessor;
WidgetValidator g_validator;

ParamBlockDesc2 g_widgetPb(
    BlockDesc{.id = 0,
              .name = "widgetPb",
              .localName = 10,
              .owner = &g_widgetDesc,
              .flags = P_AUTO_CONSTRUCT | P_AUTO_UI | P_VERSION,
              .version = 3,
              .refNo = 0,
              .rollouts = {RolloutDesc{0, 100, 10, 0, nullptr}, RolloutDesc{1, 200, 11, APPENDROLL_CLOSED, nullptr}}},
    {
        {.id = wp_size, .name = "size", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 10.0f,
         .range = ParamRange{0, 100}, .ui = ParamUi(TYPE_SPINNER, {1001, 1002}, 0.1f), .map = 0, .localName = 20,
         .accessor = &g_accessor},
        {.id = wp_count, .name = "count", .type = TYPE_INT, .flags = P_ANIMATABLE, .def = 3,
         .range = ParamRange{0, 1000}, .ui = ParamUi(TYPE_SPINNER, {1003, 1004}, 1.0f), .map = 0, .localName = 21,
         .accessor = &g_accessor, .validator = &g_validator},
        {.id = wp_on, .name = "on", .type = TYPE_BOOL, .def = true, .ui = ParamUi(TYPE_SINGLECHECKBOX, {1005}),
         .map = 0, .accessor = &g_accessor},
        {.id = wp_tint, .name = "tint", .type = TYPE_RGBA, .flags = P_ANIMATABLE, .def = Color(1.0f, 0.5f, 0.25f),
         .ui = ParamUi(TYPE_COLORSWATCH, {1001}), .map = 1, .localName = 22, .accessor = &g_accessor},
        {.id = wp_offset, .name = "offset", .type = TYPE_POINT3, .flags = P_ANIMATABLE, .def = Point3(1, 2, 3),
         .accessor = &g_accessor},
        {.id = wp_glow, .name = "glow", .type = TYPE_FRGBA, .def = AColor(0.1f, 0.2f, 0.3f, 0.4f),
         .accessor = &g_accessor},
        {.id = wp_label, .name = "label", .type = TYPE_STRING, .def = u"label", .ui = ParamUi(TYPE_EDITBOX, {1006}),
         .map = 0, .accessor = &g_accessor},
        {.id = wp_file, .name = "file", .type = TYPE_FILENAME, .def = u"", .accessor = &g_accessor},
        {.id = wp_map, .name = "map", .type = TYPE_TEXMAP, .ui = ParamUi(TYPE_TEXMAPBUTTON, {1007}), .map = 0,
         .accessor = &g_accessor},
        {.id = wp_target, .name = "target", .type = TYPE_INODE, .accessor = &g_accessor},
        {.id = wp_weights, .name = "weights", .type = TabOf(TYPE_FLOAT), .flags = P_VARIABLE_SIZE | P_ANIMATABLE,
         .def = 0.5f, .accessor = &g_accessor, .tableSize = 2},
        {.id = wp_maps, .name = "maps", .type = TabOf(TYPE_REFTARG), .flags = P_VARIABLE_SIZE,
         .accessor = &g_accessor},
        {.id = wp_nodes, .name = "nodes", .type = TabOf(TYPE_INODE), .flags = P_VARIABLE_SIZE,
         .accessor = &g_accessor},
        {.id = wp_names, .name = "names", .type = TabOf(TYPE_STRING), .flags = P_VARIABLE_SIZE, .def = u"first",
         .accessor = &g_accessor, .tableSize = 1},
        {.id = wp_mode, .name = "mode", .type = TYPE_INT, .def = 1, .range = ParamRange{0, 2},
         .ui = ParamUi(TYPE_RADIO, {1010, 1011, 1012}), .map = 1, .accessor = &g_accessor},
        {.id = wp_gain, .name = "gain", .type = TYPE_FLOAT, .def = 2},
        {.id = wp_rim, .name = "rim", .type = TYPE_FRGBA, .def = Color(0.5f, 0.5f, 0.5f)},
    });

class PlainPostLoad : public PostLoadCallback {
public:
    PlainPostLoad(Plain* owner, int priority) : owner_(owner), priority_(priority) {}
    void proc(ILoad*) override {
        Interface* ip = GetCOREInterface();
        const int wired = static_cast<int>(
            std::count_if(owner_->refs.begin(), owner_->refs.end(), [](RefTargetHandle t) { return t != nullptr; }));
        PostLoadLog().push_back({owner_->name, priority_, wired, static_cast<int>(ip->AllNodes().size()),
                                 ip->GetEnvironmentMap() != nullptr});
        // Conversions sometimes replace what an object refers to.
        if (owner_->name.starts_with(u"drop") && owner_->NumRefs() > 0) owner_->DeleteReference(0);
        delete this;
    }
    int Priority() override { return priority_; }
    void Abandon() override { delete this; }

private:
    Plain* owner_;
    int priority_;
};

}  // namespace

void RegisterTestClasses() {
    for (ClassDesc* cd : std::initializer_list<ClassDesc*>{&g_plainDesc, &g_widgetDesc, &g_swatchDesc, &g_bendDesc})
        ClassDirectory::Get().AddClass(cd);
}

std::vector<PostLoadRun>& PostLoadLog() {
    static std::vector<PostLoadRun> log;
    return log;
}

WidgetAccessor& TheAccessor() { return g_accessor; }
WidgetValidator& TheValidator() { return g_validator; }
ClassDesc2& WidgetDesc() { return g_widgetDesc; }
ParamBlockDesc2& WidgetBlockDesc() { return g_widgetPb; }

// ---------------------------------------------------------------------------

Plain::Plain(int numRefs, const char16_t* n) : refs(numRefs, nullptr), name(n) { ++alive; }
Plain::~Plain() { --alive; }

RefTargetHandle Plain::GetReference(int i) { return i >= 0 && i < NumRefs() ? refs[i] : nullptr; }

void Plain::SetReference(int i, RefTargetHandle t) {
    if (i >= 0 && i < NumRefs()) refs[i] = t;
}

RefResult Plain::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID&, RefMessage message, BOOL) {
    heard.push_back({message, hTarget});
    if (message == REFMSG_TARGET_DELETED && dropOnDelete) {
        for (int i = 0; i < NumRefs(); ++i)
            if (refs[i] == hTarget) DeleteReference(i);
    }
    return answer;
}

RefTargetHandle Plain::Clone(RemapDir& remap) {
    auto* copy = new Plain(NumRefs(), name.c_str());
    copy->number = number;
    for (int i = 0; i < NumRefs(); ++i) copy->ReplaceReference(i, remap.CloneRef(refs[i]));
    BaseClone(this, copy, remap);
    return copy;
}

IOResult Plain::Save(ISave* isave) {
    isave->BeginChunk(CHUNK_PLAIN_REFS);
    isave->WriteValue(static_cast<int32_t>(refs.size()));
    isave->EndChunk();
    isave->BeginChunk(CHUNK_PLAIN_NAME);
    isave->WriteWString(name.c_str());
    isave->EndChunk();
    isave->BeginChunk(CHUNK_PLAIN_NUMBER);
    isave->WriteValue(static_cast<int32_t>(number));
    isave->EndChunk();
    if (postLoadPriority >= 0) {
        isave->BeginChunk(CHUNK_PLAIN_POSTLOAD);
        isave->WriteValue(static_cast<int32_t>(postLoadPriority));
        isave->EndChunk();
    }
    return IO_OK;
}

IOResult Plain::Load(ILoad* iload) {
    IOResult res;
    while ((res = iload->OpenChunk()) == IO_OK) {
        int32_t v = 0;
        switch (iload->CurChunkID()) {
        case CHUNK_PLAIN_REFS:
            if (iload->ReadValue(v) != IO_OK || v < 0 || v > 64) return IO_ERROR;
            refs.assign(v, nullptr);
            break;
        case CHUNK_PLAIN_NAME:
            if (iload->ReadWStringChunk(name) != IO_OK) return IO_ERROR;
            break;
        case CHUNK_PLAIN_NUMBER:
            if (iload->ReadValue(v) != IO_OK) return IO_ERROR;
            number = v;
            break;
        case CHUNK_PLAIN_POSTLOAD:
            if (iload->ReadValue(v) != IO_OK) return IO_ERROR;
            postLoadPriority = v;
            iload->RegisterPostLoadCallback(new PlainPostLoad(this, v));
            break;
        default: break;
        }
        iload->CloseChunk();
    }
    return res == IO_END ? IO_OK : res;
}

// ---------------------------------------------------------------------------

void WidgetAccessor::Get(PB2Value& v, ReferenceMaker* owner, ParamID id, int tabIndex, TimeValue, Interval&) {
    calls.push_back({'G', id, tabIndex, tab_insert, 0, owner});
    if (decorateStrings && (id == wp_label || id == wp_file || id == wp_names)) v.s = u"[" + v.s + u"]";
}

void WidgetAccessor::Set(PB2Value& v, ReferenceMaker* owner, ParamID id, int tabIndex, TimeValue) {
    calls.push_back({'S', id, tabIndex, tab_insert, 0, owner});
    if (clampCount && id == wp_count) v.i = std::min(v.i, 1000);
}

void WidgetAccessor::TabChanged(tab_changes change, std::vector<PB2Value>*, ReferenceMaker* owner, ParamID id,
                                int tabIndex, int count) {
    calls.push_back({'T', id, tabIndex, change, count, owner});
}

BOOL WidgetValidator::Validate(PB2Value& v, ReferenceMaker* owner, ParamID, int) {
    ++calls;
    lastOwner = owner;
    return v.i >= 0;
}

Widget::Widget(bool makeBlock) {
    ++alive;
    if (makeBlock) g_widgetDesc.MakeAutoParamBlocks(this);
}

Widget::~Widget() { --alive; }

RefTargetHandle Widget::Clone(RemapDir& remap) {
    auto* copy = new Widget(false);
    copy->ReplaceReference(0, remap.CloneRef(pblock));
    BaseClone(this, copy, remap);
    return copy;
}

void Widget::BeginEditParams(IObjParam* ip, ULONG flags, Animatable* prev) {
    g_widgetDesc.BeginEditParams(ip, this, flags, prev);
}

void Widget::EndEditParams(IObjParam* ip, ULONG flags, Animatable* next) {
    g_widgetDesc.EndEditParams(ip, this, flags, next);
}

Swatch::Swatch(const char16_t* name) {
    ++alive;
    SetName(name);
}

Swatch::~Swatch() { --alive; }

RefTargetHandle Swatch::Clone(RemapDir& remap) {
    auto* copy = new Swatch();
    static_cast<MtlBase&>(*copy) = *this;
    copy->ReplaceReference(0, remap.CloneRef(sub));
    BaseClone(this, copy, remap);
    return copy;
}

Bend::Bend(const char16_t* n) : name(n) { ++alive; }
Bend::~Bend() { --alive; }

void Bend::ModifyObject(TimeValue, ModContext&, ObjectState* os, INode*) {
    applied.push_back(name);
    if (output) os->obj = output;
}

RefTargetHandle Bend::Clone(RemapDir& remap) {
    auto* copy = new Bend(name.c_str());
    copy->SetEnabled(IsEnabled());
    BaseClone(this, copy, remap);
    return copy;
}

}  // namespace hosttest
