// Parameter blocks: typed values, tables and their references, accessors,
// validators, keys, defaults and cloning.
#include <gtest/gtest.h>

#include <memory>

#include "fixtures.h"

using namespace hosttest;

namespace {

void ExpectPoint(const Point3& got, const Point3& want) {
    EXPECT_NEAR(got.x, want.x, 1e-6f);
    EXPECT_NEAR(got.y, want.y, 1e-6f);
    EXPECT_NEAR(got.z, want.z, 1e-6f);
}

void ExpectAColor(const AColor& got, const AColor& want) {
    EXPECT_NEAR(got.r, want.r, 1e-6f);
    EXPECT_NEAR(got.g, want.g, 1e-6f);
    EXPECT_NEAR(got.b, want.b, 1e-6f);
    EXPECT_NEAR(got.a, want.a, 1e-6f);
}

std::vector<float> Floats(IParamBlock2* pb, ParamID id) {
    std::vector<float> out;
    for (int i = 0; i < pb->Count(id); ++i) out.push_back(pb->GetFloat(id, 0, i));
    return out;
}

std::vector<AccessorCall> CallsOf(char kind, ParamID id) {
    std::vector<AccessorCall> out;
    for (const AccessorCall& c : TheAccessor().calls)
        if (c.kind == kind && c.id == id) out.push_back(c);
    return out;
}

int CountHeard(const Widget& w, RefMessage message) {
    int n = 0;
    for (const Heard& h : w.heard)
        if (h.message == message) ++n;
    return n;
}

class ParamBlocks : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterTestClasses();
        TheAccessor().Reset();
        TheValidator() = WidgetValidator();
        AnimateOff();
        holder_ = std::make_unique<RefHolder>(new Widget());
        widget = static_cast<Widget*>(holder_->Get());
        pb = widget->pblock;
        ASSERT_NE(pb, nullptr);
    }
    void TearDown() override {
        AnimateOff();
        holder_.reset();
        EXPECT_EQ(Census(), before_);
    }

    Census before_;
    std::unique_ptr<RefHolder> holder_;
    Widget* widget = nullptr;
    IParamBlock2* pb = nullptr;
};

}  // namespace

TEST_F(ParamBlocks, EveryParameterStartsAtItsDeclaredDefault) {
    EXPECT_EQ(pb->GetFloat(wp_size), 10.0f);
    EXPECT_EQ(pb->GetInt(wp_count), 3);
    EXPECT_EQ(pb->GetInt(wp_on), 1);
    ExpectPoint(pb->GetPoint3(wp_tint), Point3(1.0f, 0.5f, 0.25f));
    ExpectPoint(pb->GetPoint3(wp_offset), Point3(1, 2, 3));
    ExpectAColor(pb->GetAColor(wp_glow), AColor(0.1f, 0.2f, 0.3f, 0.4f));
    EXPECT_EQ(MSTR(pb->GetStr(wp_label)), u"label");
    EXPECT_EQ(pb->GetTexmap(wp_map), nullptr);
    EXPECT_EQ(Floats(pb, wp_weights), (std::vector<float>{0.5f, 0.5f}));
    EXPECT_EQ(pb->Count(wp_maps), 0);
    ASSERT_EQ(pb->Count(wp_names), 1);
    EXPECT_EQ(MSTR(pb->GetStr(wp_names)), u"first");
    EXPECT_EQ(pb->GetInt(wp_mode), 1);
    // Defaults written in another numeric form still mean the same value.
    EXPECT_EQ(pb->GetFloat(wp_gain), 2.0f);
    ExpectAColor(pb->GetAColor(wp_rim), AColor(0.5f, 0.5f, 0.5f, 1.0f));
    EXPECT_EQ(pb->GetVersion(), 3);
    EXPECT_EQ(pb->GetOwner(), widget);
}

TEST_F(ParamBlocks, ValuesConvertBetweenTheTypedSettersAndGetters) {
    EXPECT_TRUE(pb->SetValue(wp_size, 0, 7));
    EXPECT_EQ(pb->GetFloat(wp_size), 7.0f);
    EXPECT_EQ(pb->GetInt(wp_size), 7);
    EXPECT_TRUE(pb->SetValue(wp_count, 0, 4.9f));
    EXPECT_EQ(pb->GetInt(wp_count), 4);
    EXPECT_EQ(pb->GetFloat(wp_count), 4.0f);
    EXPECT_TRUE(pb->SetValue(wp_on, 0, FALSE));
    EXPECT_EQ(pb->GetInt(wp_on), 0);

    EXPECT_TRUE(pb->SetValue(wp_tint, 0, Color(0.2f, 0.4f, 0.6f)));
    ExpectPoint(pb->GetPoint3(wp_tint), Point3(0.2f, 0.4f, 0.6f));
    ExpectAColor(pb->GetAColor(wp_tint), AColor(0.2f, 0.4f, 0.6f, 1.0f));

    EXPECT_TRUE(pb->SetValue(wp_glow, 0, AColor(0.5f, 0.6f, 0.7f, 0.25f)));
    ExpectAColor(pb->GetAColor(wp_glow), AColor(0.5f, 0.6f, 0.7f, 0.25f));
    const Color c = pb->GetColor(wp_glow);
    EXPECT_EQ(c, Color(0.5f, 0.6f, 0.7f));
    EXPECT_TRUE(pb->SetValue(wp_glow, 0, Point3(1, 1, 0)));
    ExpectAColor(pb->GetAColor(wp_glow), AColor(1.0f, 1.0f, 0.0f, 1.0f));

    EXPECT_TRUE(pb->SetValue(wp_label, 0, u"grüße"));
    EXPECT_EQ(MSTR(pb->GetStr(wp_label)), u"grüße");
    EXPECT_TRUE(pb->SetValue(wp_label, 0, static_cast<const MCHAR*>(nullptr)));
    EXPECT_EQ(MSTR(pb->GetStr(wp_label)), u"");

    // A value set from code is stored as given, outside the range too.
    EXPECT_TRUE(pb->SetValue(wp_size, 0, 500.0f));
    EXPECT_EQ(pb->GetFloat(wp_size), 500.0f);
    EXPECT_TRUE(pb->SetValue(wp_count, 0, -5));
    EXPECT_EQ(pb->GetInt(wp_count), -5);
    EXPECT_EQ(TheValidator().calls, 0);
}

TEST_F(ParamBlocks, MissingParametersAndEntriesAreRefused) {
    Interval valid = FOREVER;
    float f = 99.0f;
    EXPECT_FALSE(pb->SetValue(999, 0, 1.0f));
    EXPECT_FALSE(pb->GetValue(999, 0, f, valid));
    EXPECT_EQ(pb->GetFloat(999), 0.0f);
    EXPECT_EQ(pb->GetStr(999), nullptr);
    EXPECT_FALSE(pb->SetValue(wp_weights, 0, 1.0f, 2));
    EXPECT_FALSE(pb->SetValue(wp_weights, 0, 1.0f, -1));
    EXPECT_FALSE(pb->GetValue(wp_weights, 0, f, valid, 2));
    EXPECT_EQ(pb->GetParameterType(999), -1);
    EXPECT_EQ(pb->GetParameterType(wp_maps), TabOf(TYPE_REFTARG));
}

TEST_F(ParamBlocks, TableOperationsKeepOrderAndTellTheAccessor) {
    const PB2Value two[] = {1.0f, 2.0f};
    EXPECT_EQ(pb->Append(wp_weights, 2, two), 4);
    const PB2Value nine[] = {9.0f};
    EXPECT_EQ(pb->Insert(wp_weights, 1, 1, nine), 5);
    EXPECT_EQ(Floats(pb, wp_weights), (std::vector<float>{0.5f, 9.0f, 0.5f, 1.0f, 2.0f}));
    // Past the end is an append.
    const PB2Value seven[] = {7.0f};
    EXPECT_EQ(pb->Insert(wp_weights, 99, 1, seven), 6);
    EXPECT_EQ(pb->Delete(wp_weights, 0, 2), 4);
    EXPECT_EQ(Floats(pb, wp_weights), (std::vector<float>{0.5f, 1.0f, 2.0f, 7.0f}));
    // A count past the end is cut; a start past the end does nothing.
    EXPECT_EQ(pb->Delete(wp_weights, 3, 10), 3);
    EXPECT_EQ(pb->Delete(wp_weights, 5, 1), 3);
    EXPECT_EQ(pb->SetCount(wp_weights, 5), 5);
    EXPECT_EQ(Floats(pb, wp_weights), (std::vector<float>{0.5f, 1.0f, 2.0f, 0.5f, 0.5f}));
    EXPECT_EQ(pb->SetCount(wp_weights, 1), 1);
    EXPECT_EQ(Floats(pb, wp_weights), (std::vector<float>{0.5f}));

    // Table operations on a plain parameter do nothing.
    pb->Append(wp_size, 1);
    pb->SetCount(wp_size, 3);
    EXPECT_EQ(pb->Count(wp_size), 1);

    struct Want {
        tab_changes change;
        int at, count;
    };
    const std::vector<Want> want = {{tab_append, 2, 2}, {tab_insert, 1, 1}, {tab_append, 5, 1},
                                    {tab_delete, 0, 2}, {tab_delete, 3, 1}, {tab_setcount, 0, 5},
                                    {tab_setcount, 0, 1}};
    const auto got = CallsOf('T', wp_weights);
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(got[i].change, want[i].change);
        EXPECT_EQ(got[i].tabIndex, want[i].at);
        EXPECT_EQ(got[i].count, want[i].count);
        EXPECT_EQ(got[i].owner, widget);
    }
}

TEST_F(ParamBlocks, ReferenceEntriesAreNumberedInDeclarationAndTableOrder) {
    // Reference parameters in order: map, target, maps[..], nodes[..].
    EXPECT_EQ(pb->NumRefs(), 2);
    auto* a = new Plain(0, u"a");
    auto* b = new Plain(0, u"b");
    auto* c = new Plain(0, u"c");
    auto* node = new INode();
    const PB2Value ab[] = {a, b};
    pb->Append(wp_maps, 2, ab);
    const PB2Value n[] = {node};
    pb->Append(wp_nodes, 1, n);
    auto* swatch = new Swatch(u"s");
    pb->SetValue(wp_map, 0, swatch);
    ASSERT_EQ(pb->NumRefs(), 5);
    EXPECT_EQ(pb->GetReference(0), swatch);
    EXPECT_EQ(pb->GetReference(2), a);
    EXPECT_EQ(pb->GetReference(3), b);
    EXPECT_EQ(pb->GetReference(4), node);

    const PB2Value cc[] = {c};
    pb->Insert(wp_maps, 0, 1, cc);
    ASSERT_EQ(pb->NumRefs(), 6);
    EXPECT_EQ(pb->GetReference(2), c);
    EXPECT_EQ(pb->GetReference(3), a);
    EXPECT_EQ(pb->GetReference(5), node);
    EXPECT_EQ(pb->GetINode(wp_nodes, 0, 0), node);
    EXPECT_EQ(pb->GetTexmap(wp_map), swatch);
    for (ReferenceTarget* t : std::initializer_list<ReferenceTarget*>{a, b, c, node, swatch})
        EXPECT_EQ(t->GetDependents(), std::vector<ReferenceMaker*>{pb});

    // The same target in a second entry: it stays while one entry holds it.
    const PB2Value again[] = {a};
    pb->Append(wp_maps, 1, again);
    EXPECT_EQ(a->NumDependents(), 2);
    const int alive = Plain::alive;
    pb->Delete(wp_maps, 1, 1);  // the first entry with a
    EXPECT_EQ(Plain::alive, alive);
    EXPECT_EQ(pb->GetReferenceTarget(wp_maps, 0, 2), a);
    pb->Delete(wp_maps, 1, 1);  // b, held nowhere else
    EXPECT_EQ(Plain::alive, alive - 1);
    pb->SetCount(wp_maps, 0);
    EXPECT_EQ(Plain::alive, alive - 3);
    EXPECT_EQ(pb->NumRefs(), 3);
    EXPECT_EQ(pb->GetReference(2), node);

    // Replacing a single reference lets the old target go.
    const int swatches = Swatch::alive;
    pb->SetValue(wp_map, 0, new Swatch(u"t"));
    EXPECT_EQ(Swatch::alive, swatches);
    node->DeleteMe();
}

TEST_F(ParamBlocks, AChangeInAReferencedTargetReachesTheOwnerWithItsEntry) {
    auto* a = new Plain(0, u"a");
    auto* b = new Plain(0, u"b");
    const PB2Value ab[] = {a, b};
    pb->Append(wp_maps, 2, ab);
    widget->heard.clear();
    b->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
    int tab = -1;
    EXPECT_EQ(pb->LastNotifyParamID(tab), wp_maps);
    EXPECT_EQ(tab, 1);
    ASSERT_EQ(widget->heard.size(), 1u);
    EXPECT_EQ(widget->heard[0].message, REFMSG_CHANGE);
    EXPECT_EQ(widget->heard[0].from, pb);

    // A node in a table is deleted: its entry stays, empty, and the accessor
    // hears which one.
    auto* n0 = new INode();
    auto* n1 = new INode();
    const PB2Value nodes[] = {n0, n1};
    pb->Append(wp_nodes, 2, nodes);
    TheAccessor().calls.clear();
    n1->DeleteMe();
    EXPECT_EQ(pb->Count(wp_nodes), 2);
    EXPECT_EQ(pb->GetINode(wp_nodes, 0, 1), nullptr);
    EXPECT_EQ(pb->GetINode(wp_nodes, 0, 0), n0);
    const auto t = CallsOf('T', wp_nodes);
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].change, tab_ref_deleted);
    EXPECT_EQ(t[0].tabIndex, 1);
    n0->DeleteMe();
}

TEST_F(ParamBlocks, SettingAValueNotifiesTheOwnerAndRecordsTheParameter) {
    widget->heard.clear();
    pb->SetValue(wp_weights, 0, 3.0f, 1);
    int tab = -1;
    EXPECT_EQ(pb->LastNotifyParamID(tab), wp_weights);
    EXPECT_EQ(tab, 1);
    EXPECT_EQ(CountHeard(*widget, REFMSG_CHANGE), 1);
    const PB2Value name[] = {u"second"};
    pb->Append(wp_names, 1, name);
    EXPECT_EQ(pb->LastNotifyParamID(tab), wp_names);
    EXPECT_EQ(tab, 1);
    EXPECT_EQ(CountHeard(*widget, REFMSG_CHANGE), 2);
}

TEST_F(ParamBlocks, AccessorsSeeEveryReadAndWriteAndMayChangeThem) {
    TheAccessor().clampCount = true;
    pb->SetValue(wp_count, 0, 5000);
    EXPECT_EQ(pb->GetInt(wp_count), 1000);
    const auto sets = CallsOf('S', wp_count);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].owner, widget);
    EXPECT_EQ(sets[0].tabIndex, 0);

    TheAccessor().calls.clear();
    pb->GetFloat(wp_weights, 0, 1);
    const auto gets = CallsOf('G', wp_weights);
    ASSERT_EQ(gets.size(), 1u);
    EXPECT_EQ(gets[0].tabIndex, 1);

    // What the accessor hands back is what the caller reads; the stored value
    // is unchanged.
    TheAccessor().decorateStrings = true;
    pb->SetValue(wp_file, 0, u"a/long/path/to/a/file/with/a/long/name.ies");
    const MCHAR* label = pb->GetStr(wp_label);
    const MCHAR* file = pb->GetStr(wp_file);
    const MCHAR* first = pb->GetStr(wp_names, 0, 0);
    EXPECT_EQ(MSTR(label), u"[label]");
    EXPECT_EQ(MSTR(file), u"[a/long/path/to/a/file/with/a/long/name.ies]");
    EXPECT_EQ(MSTR(first), u"[first]");
    EXPECT_EQ(pb->GetRawValue(wp_label).s, u"label");
    PB2Value v;
    Interval valid = FOREVER;
    pb->GetValue(wp_label, 0, v, valid);
    EXPECT_EQ(v.s, u"[label]");
}

TEST_F(ParamBlocks, ValidatorsAnswerForTheUserInterfaceAndScripts) {
    PB2Value bad(-1), good(5), any(1.0f);
    EXPECT_FALSE(pb->Validate(wp_count, bad));
    EXPECT_TRUE(pb->Validate(wp_count, good));
    EXPECT_EQ(TheValidator().calls, 2);
    EXPECT_EQ(TheValidator().lastOwner, widget);
    EXPECT_TRUE(pb->Validate(wp_size, any));  // no validator
    EXPECT_FALSE(pb->Validate(999, any));
}

TEST_F(ParamBlocks, KeysInterpolateAndBoundTheValidity) {
    {
        Animate on;
        // At time 0 with no keys the value changes without a key.
        pb->SetValue(wp_size, 0, 20.0f);
        EXPECT_EQ(pb->NumKeys(wp_size), 0);
        pb->SetValue(wp_size, 4800, 40.0f);
        pb->SetValue(wp_count, 4800, 10);
        pb->SetValue(wp_tint, 4800, Color(0, 0, 0));
        pb->SetValue(wp_weights, 4800, 1.5f, 1);
        pb->SetValue(wp_glow, 4800, AColor(1, 1, 1, 1));  // not animatable
    }
    EXPECT_EQ(pb->NumKeys(wp_size), 2);
    EXPECT_TRUE(pb->IsAnimated(wp_size));
    EXPECT_FALSE(pb->IsAnimated(wp_glow));
    EXPECT_FALSE(pb->IsAnimated(wp_weights, 0));
    EXPECT_TRUE(pb->IsAnimated(wp_weights, 1));

    struct Case {
        TimeValue t;
        float size;
        Interval valid;
    };
    const Case cases[] = {
        {-100, 20.0f, Interval(TIME_NegInfinity, 0)},
        {0, 20.0f, Interval(TIME_NegInfinity, 0)},
        {1200, 25.0f, Interval(1200, 1200)},
        {2400, 30.0f, Interval(2400, 2400)},
        {4800, 40.0f, Interval(4800, TIME_PosInfinity)},
        {9600, 40.0f, Interval(4800, TIME_PosInfinity)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.t);
        float v = 0.0f;
        Interval valid = FOREVER;
        ASSERT_TRUE(pb->GetValue(wp_size, c.t, v, valid));
        EXPECT_FLOAT_EQ(v, c.size);
        EXPECT_EQ(valid, c.valid);
        Interval all = FOREVER;
        pb->GetValidity(c.t, all);
        EXPECT_EQ(all, c.valid);
    }
    // Integers hold the earlier key; colours and table entries interpolate.
    EXPECT_EQ(pb->GetInt(wp_count, 2400), 3);
    EXPECT_EQ(pb->GetInt(wp_count, 4800), 10);
    ExpectPoint(pb->GetPoint3(wp_tint, 2400), Point3(0.5f, 0.25f, 0.125f));
    EXPECT_FLOAT_EQ(pb->GetFloat(wp_weights, 2400, 1), 1.0f);
    EXPECT_FLOAT_EQ(pb->GetFloat(wp_weights, 2400, 0), 0.5f);
    ExpectAColor(pb->GetAColor(wp_glow, 0), AColor(1, 1, 1, 1));

    // With animation off a value set on a key changes that key.
    pb->SetValue(wp_size, 4800, 50.0f);
    EXPECT_EQ(pb->NumKeys(wp_size), 2);
    EXPECT_FLOAT_EQ(pb->GetFloat(wp_size, 4800), 50.0f);

    pb->DeleteKeys(wp_size);
    EXPECT_FALSE(pb->IsAnimated(wp_size));
    Interval valid = FOREVER;
    float v;
    pb->GetValue(wp_size, 2400, v, valid);
    EXPECT_TRUE(valid.IsInfinite());
}

TEST_F(ParamBlocks, ResetAllReturnsEveryParameterAndTableToItsDefault) {
    auto* target = new Plain(0, u"t");
    auto* node = new INode();
    {
        Animate on;
        pb->SetValue(wp_size, 4800, 60.0f);
    }
    pb->SetValue(wp_count, 0, 42);
    pb->SetValue(wp_label, 0, u"changed");
    pb->SetValue(wp_map, 0, new Swatch(u"m"));
    pb->SetCount(wp_weights, 5);
    pb->SetValue(wp_weights, 0, 9.0f, 0);
    const PB2Value names[] = {u"x", u"y"};
    pb->Append(wp_names, 2, names);
    pb->SetValue(wp_names, 0, u"renamed", 0);
    const PB2Value t[] = {target};
    pb->Append(wp_maps, 1, t);
    const PB2Value n[] = {node};
    pb->Append(wp_nodes, 1, n);
    const int plains = Plain::alive, swatches = Swatch::alive;
    widget->heard.clear();
    TheAccessor().calls.clear();

    pb->ResetAll();
    EXPECT_EQ(pb->GetFloat(wp_size, 4800), 10.0f);
    EXPECT_EQ(pb->NumKeys(wp_size), 0);
    EXPECT_EQ(pb->GetInt(wp_count), 3);
    EXPECT_EQ(MSTR(pb->GetStr(wp_label)), u"label");
    EXPECT_EQ(pb->GetTexmap(wp_map), nullptr);
    EXPECT_EQ(Floats(pb, wp_weights), (std::vector<float>{0.5f, 0.5f}));
    ASSERT_EQ(pb->Count(wp_names), 1);
    EXPECT_EQ(MSTR(pb->GetStr(wp_names)), u"first");
    EXPECT_EQ(pb->Count(wp_maps), 0);
    EXPECT_EQ(pb->Count(wp_nodes), 0);
    EXPECT_EQ(pb->NumRefs(), 2);
    EXPECT_EQ(Plain::alive, plains - 1);
    EXPECT_EQ(Swatch::alive, swatches - 1);
    EXPECT_EQ(node->NumDependents(), 0);
    EXPECT_EQ(pb->LastNotifyParamID(), -1);
    EXPECT_GE(CountHeard(*widget, REFMSG_CHANGE), 1);
    EXPECT_EQ(CallsOf('S', wp_count).size(), 1u);  // set handlers run by default

    TheAccessor().calls.clear();
    pb->ResetAll(TRUE, FALSE);
    EXPECT_TRUE(CallsOf('S', wp_count).empty());
    node->DeleteMe();
}

TEST_F(ParamBlocks, ResettingOneParameterTellsTheOwner) {
    pb->SetValue(wp_count, 0, 42);
    pb->SetValue(wp_size, 0, 1.0f);
    widget->heard.clear();
    pb->Reset(wp_count);
    EXPECT_EQ(pb->GetInt(wp_count), 3);
    EXPECT_EQ(pb->GetFloat(wp_size), 1.0f);
    EXPECT_EQ(CountHeard(*widget, REFMSG_CHANGE), 1);
    EXPECT_EQ(pb->LastNotifyParamID(), wp_count);
}

TEST_F(ParamBlocks, ACloneCopiesValuesAndMapsButSharesNodes) {
    auto* swatch = new Swatch(u"map");
    swatch->SetSubTexmap(0, new Swatch(u"sub"));
    auto* plain = new Plain(0, u"plain");
    auto* node = new INode();
    node->SetName(u"node");
    pb->SetValue(wp_map, 0, swatch);
    const PB2Value maps[] = {swatch, plain};
    pb->Append(wp_maps, 2, maps);
    pb->SetValue(wp_target, 0, node);
    const PB2Value nodes[] = {node};
    pb->Append(wp_nodes, 1, nodes);
    pb->SetValue(wp_label, 0, u"cloned");
    {
        Animate on;
        pb->SetValue(wp_size, 4800, 30.0f);
    }
    pb->SetLoadedVersion(2);

    RefHolder copyHolder(CloneRefHierarchy(widget));
    auto* copy = static_cast<Widget*>(copyHolder.Get());
    IParamBlock2* pb2 = copy->pblock;
    ASSERT_NE(pb2, nullptr);
    ASSERT_NE(pb2, pb);
    EXPECT_EQ(pb2->GetOwner(), copy);
    EXPECT_EQ(MSTR(pb2->GetStr(wp_label)), u"cloned");
    EXPECT_EQ(pb2->NumKeys(wp_size), 2);
    EXPECT_FLOAT_EQ(pb2->GetFloat(wp_size, 2400), 20.0f);

    auto* swatch2 = static_cast<Swatch*>(pb2->GetTexmap(wp_map));
    ASSERT_NE(swatch2, nullptr);
    EXPECT_NE(swatch2, swatch);
    EXPECT_EQ(swatch2->GetName(), u"map");
    ASSERT_NE(swatch2->sub, nullptr);
    EXPECT_NE(swatch2->sub, swatch->sub);
    EXPECT_EQ(pb2->GetReferenceTarget(wp_maps, 0, 0), swatch2);  // shared stays shared
    EXPECT_NE(pb2->GetReferenceTarget(wp_maps, 0, 1), plain);
    EXPECT_EQ(pb2->GetINode(wp_target), node);
    EXPECT_EQ(pb2->GetINode(wp_nodes, 0, 0), node);
    EXPECT_EQ(node->NumDependents(), 4);
    auto* info = static_cast<IParamBlock2PostLoadInfo*>(pb2->GetInterface(IPARAMBLOCK2POSTLOADINFO_ID));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->GetVersion(), 2u);

    copyHolder.Reset();
    EXPECT_EQ(node->NumDependents(), 2);
    node->DeleteMe();
}

TEST_F(ParamBlocks, ANodeClonedInTheSameOperationReplacesTheOriginalInTheClone) {
    // holder -> widget (whose block refers to target); both nodes are cloned
    // together, the holder first.
    auto* holderNode = new INode();
    auto* target = new INode();
    holderNode->SetObjectRef(new Widget());
    auto* w = static_cast<Widget*>(holderNode->GetObjectRef());
    w->pblock->SetValue(wp_target, 0, target);
    const PB2Value nodes[] = {target};
    w->pblock->Append(wp_nodes, 1, nodes);

    RemapDir remap;
    auto* holderCopy = static_cast<INode*>(remap.CloneRef(holderNode));
    auto* targetCopy = static_cast<INode*>(remap.CloneRef(target));
    remap.Backpatch();
    IParamBlock2* pb2 = static_cast<Widget*>(holderCopy->GetObjectRef())->pblock;
    EXPECT_EQ(pb2->GetINode(wp_target), targetCopy);
    EXPECT_EQ(pb2->GetINode(wp_nodes, 0, 0), targetCopy);
    EXPECT_EQ(target->NumDependents(), 2);  // the original block only

    for (INode* n : {holderCopy, targetCopy, holderNode, target}) n->DeleteMe();
}

TEST_F(ParamBlocks, OnlyALoadedBlockOffersItsPostLoadInformation) {
    EXPECT_EQ(pb->GetInterface(IPARAMBLOCK2POSTLOADINFO_ID), nullptr);
    pb->SetLoadedVersion(1);
    auto* info = static_cast<IParamBlock2PostLoadInfo*>(pb->GetInterface(IPARAMBLOCK2POSTLOADINFO_ID));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->GetVersion(), 1u);
    EXPECT_EQ(info->GetID(), IPARAMBLOCK2POSTLOADINFO_ID);
    EXPECT_EQ(pb->GetInterface(Interface_ID(1, 2)), nullptr);
}
