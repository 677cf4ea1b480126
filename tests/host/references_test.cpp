// The reference system: who depends on whom, what they are told, and when
// targets go away.
#include <gtest/gtest.h>

#include "fixtures.h"

using namespace hosttest;

namespace {

int CountHeard(const Plain& p, RefMessage message, RefTargetHandle from = nullptr) {
    int n = 0;
    for (const Heard& h : p.heard)
        if (h.message == message && (!from || h.from == from)) ++n;
    return n;
}

class References : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(Census(), before_) << "a test object leaked or was deleted twice"; }
    Census before_;
};

}  // namespace

TEST_F(References, ReplaceReferenceMovesTheDependencyAndDeletesAnOrphanedTarget) {
    RefHolder scene(new Plain(1, u"maker"));
    auto* maker = static_cast<Plain*>(scene.Get());
    auto* first = new Plain(0, u"first");
    auto* second = new Plain(0, u"second");
    const int aliveBefore = Plain::alive;

    ASSERT_EQ(maker->ReplaceReference(0, first), REF_SUCCEED);
    EXPECT_EQ(maker->GetReference(0), first);
    EXPECT_EQ(first->GetDependents(), std::vector<ReferenceMaker*>{maker});

    // Replacing without delOld keeps the old target for the caller.
    ASSERT_EQ(maker->ReplaceReference(0, second, FALSE), REF_SUCCEED);
    EXPECT_EQ(first->NumDependents(), 0);
    EXPECT_EQ(second->NumDependents(), 1);
    EXPECT_EQ(Plain::alive, aliveBefore);

    // Back to first: second lost its last dependent and goes.
    ASSERT_EQ(maker->ReplaceReference(0, first), REF_SUCCEED);
    EXPECT_EQ(Plain::alive, aliveBefore - 1);
    EXPECT_EQ(first->NumDependents(), 1);

    // Out-of-range slots fail and change nothing.
    auto* third = new Plain();
    EXPECT_EQ(maker->ReplaceReference(1, third), REF_FAIL);
    EXPECT_EQ(maker->ReplaceReference(-1, third), REF_FAIL);
    EXPECT_EQ(third->NumDependents(), 0);
    third->DeleteMe();
}

TEST_F(References, AMakerThatRefusesATargetKeepsItsOldOne) {
    auto* node = new INode();
    auto* obj = new DummyObject();
    node->SetObjectRef(obj);
    auto* notAnObject = new Plain();
    EXPECT_EQ(node->ReplaceReference(INode::REF_OBJECT, notAnObject), REF_FAIL);
    EXPECT_EQ(node->GetObjectRef(), obj);
    EXPECT_EQ(obj->NumDependents(), 1);
    EXPECT_EQ(notAnObject->NumDependents(), 0);
    notAnObject->DeleteMe();
    node->DeleteMe();
}

TEST_F(References, ATargetReferencedTwiceByOneMakerHearsItOnceAndStaysUntilBothGo) {
    RefHolder scene(new Plain(2, u"maker"));
    auto* maker = static_cast<Plain*>(scene.Get());
    auto* target = new Plain();
    maker->ReplaceReference(0, target);
    maker->ReplaceReference(1, target);
    EXPECT_EQ(target->NumDependents(), 2);

    target->NotifyDependents(FOREVER, PART_GEOM, REFMSG_CHANGE);
    EXPECT_EQ(CountHeard(*maker, REFMSG_CHANGE, target), 1);

    const int alive = Plain::alive;
    maker->DeleteReference(0);
    EXPECT_EQ(Plain::alive, alive);
    EXPECT_EQ(target->NumDependents(), 1);
    EXPECT_EQ(maker->GetReference(1), target);
    maker->DeleteReference(1);
    EXPECT_EQ(Plain::alive, alive - 1);
}

TEST_F(References, NotifyDependentsTravelsUpUntilADependentStopsIt) {
    // top -> middle -> bottom, and side -> bottom.
    RefHolder holdTop(new Plain(1, u"top"));
    RefHolder holdSide(new Plain(1, u"side"));
    auto* top = static_cast<Plain*>(holdTop.Get());
    auto* side = static_cast<Plain*>(holdSide.Get());
    auto* middle = new Plain(1, u"middle");
    auto* bottom = new Plain(0, u"bottom");
    top->ReplaceReference(0, middle);
    middle->ReplaceReference(0, bottom);
    side->ReplaceReference(0, bottom);

    bottom->NotifyDependents(FOREVER, PART_GEOM, REFMSG_CHANGE);
    EXPECT_EQ(CountHeard(*middle, REFMSG_CHANGE, bottom), 1);
    EXPECT_EQ(CountHeard(*side, REFMSG_CHANGE, bottom), 1);
    // Each level reports itself as the changed target.
    EXPECT_EQ(CountHeard(*top, REFMSG_CHANGE, middle), 1);

    // Without propagation only direct dependents hear.
    bottom->NotifyDependents(FOREVER, PART_GEOM, REFMSG_CHANGE, NOTIFY_ALL, FALSE);
    EXPECT_EQ(CountHeard(*middle, REFMSG_CHANGE), 2);
    EXPECT_EQ(CountHeard(*top, REFMSG_CHANGE), 1);

    // REF_STOP ends that branch only.
    middle->answer = REF_STOP;
    bottom->NotifyDependents(FOREVER, PART_GEOM, REFMSG_CHANGE);
    EXPECT_EQ(CountHeard(*middle, REFMSG_CHANGE), 3);
    EXPECT_EQ(CountHeard(*top, REFMSG_CHANGE), 1);
    EXPECT_EQ(CountHeard(*side, REFMSG_CHANGE), 3);
}

TEST_F(References, NotifyDependentsCanBeLimitedToOneSuperClass) {
    RefHolder holdPlain(new Plain(1));
    RefHolder holdMap(new Swatch(u"outer"));
    auto* plain = static_cast<Plain*>(holdPlain.Get());
    auto* outer = static_cast<Swatch*>(holdMap.Get());
    auto* inner = new Swatch(u"inner");
    plain->ReplaceReference(0, inner);
    outer->SetSubTexmap(0, inner);
    // The plain target is not a map: it is skipped.
    inner->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE, TEXMAP_CLASS_ID);
    EXPECT_EQ(CountHeard(*plain, REFMSG_CHANGE), 0);
    inner->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
    EXPECT_EQ(CountHeard(*plain, REFMSG_CHANGE), 1);
}

TEST_F(References, DeletingATargetTellsAndDetachesEveryMaker) {
    RefHolder holdA(new Plain(1, u"a"));
    RefHolder holdB(new Plain(2, u"b"));
    auto* a = static_cast<Plain*>(holdA.Get());
    auto* b = static_cast<Plain*>(holdB.Get());
    b->dropOnDelete = true;  // clears its own reference while being told
    auto* target = new Plain(2, u"target");
    auto* onlyHere = new Plain(0, u"onlyHere");
    auto* shared = new Plain(0, u"shared");
    target->ReplaceReference(0, onlyHere);
    target->ReplaceReference(1, shared);
    a->ReplaceReference(0, target);
    b->ReplaceReference(0, target);
    b->ReplaceReference(1, shared);

    const int alive = Plain::alive;
    target->DeleteMe();
    EXPECT_EQ(CountHeard(*a, REFMSG_TARGET_DELETED, target), 1);
    EXPECT_EQ(CountHeard(*b, REFMSG_TARGET_DELETED, target), 1);
    EXPECT_EQ(a->GetReference(0), nullptr);
    EXPECT_EQ(b->GetReference(0), nullptr);
    // The target's own references went with it: onlyHere had no one else.
    EXPECT_EQ(Plain::alive, alive - 2);
    EXPECT_EQ(shared->GetDependents(), std::vector<ReferenceMaker*>{b});
}

TEST_F(References, ATargetDestroyedDirectlyLeavesNoDanglingReference) {
    RefHolder holdA(new Plain(2));
    auto* a = static_cast<Plain*>(holdA.Get());
    auto* target = new Plain();
    a->ReplaceReference(0, target);
    a->ReplaceReference(1, target);
    target->DeleteThis();
    EXPECT_EQ(a->GetReference(0), nullptr);
    EXPECT_EQ(a->GetReference(1), nullptr);
}

TEST_F(References, AMakerDestroyedDirectlyIsNoLongerADependent) {
    auto* target = new Plain(0, u"target");
    RefHolder keep(target);
    auto* maker = new Plain(1, u"maker");
    maker->ReplaceReference(0, target);
    ASSERT_EQ(target->NumDependents(), 2);
    maker->DeleteThis();  // without DeleteMe or DeleteAllRefsFromMe
    EXPECT_EQ(target->GetDependents(), std::vector<ReferenceMaker*>{&keep});
    // Telling the dependents must not reach the destroyed maker.
    target->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

TEST_F(References, AutoDeletionCanBeSuspended) {
    RefHolder holder(new Plain(0, u"kept"));
    auto* kept = static_cast<Plain*>(holder.Get());
    const int alive = Plain::alive;
    {
        SuspendAutoDelete outer;
        {
            SuspendAutoDelete inner;
            holder.Reset();
        }
        EXPECT_TRUE(SuspendAutoDelete::Active());
        EXPECT_EQ(Plain::alive, alive);
    }
    EXPECT_FALSE(SuspendAutoDelete::Active());
    // Nothing is deleted after the fact; the target can still go on its own.
    EXPECT_EQ(Plain::alive, alive);
    EXPECT_EQ(kept->MaybeAutoDelete(), REF_SUCCEED);
    EXPECT_EQ(Plain::alive, alive - 1);
}

TEST_F(References, NodesAreNeverDeletedByLosingTheirLastReference) {
    auto* node = new INode();
    {
        RefHolder holder(node);
    }
    EXPECT_EQ(node->NumDependents(), 0);
    EXPECT_EQ(node->MaybeAutoDelete(), REF_FAIL);
    node->DeleteMe();
}

TEST_F(References, CloningKeepsSharedTargetsShared) {
    // a -> (shared, shared, own), b -> shared; a and b are cloned together.
    RefHolder holdA(new Plain(3, u"a"));
    RefHolder holdB(new Plain(1, u"b"));
    auto* a = static_cast<Plain*>(holdA.Get());
    auto* b = static_cast<Plain*>(holdB.Get());
    auto* shared = new Plain(0, u"shared");
    shared->number = 7;
    a->ReplaceReference(0, shared);
    a->ReplaceReference(1, shared);
    a->ReplaceReference(2, new Plain(0, u"own"));
    b->ReplaceReference(0, shared);

    RemapDir remap;
    int patched = 0;
    remap.AddPostPatchProc([&](RemapDir& r) {
        // Runs after everything is cloned, with every mapping known.
        EXPECT_NE(r.FindMapping(a), nullptr);
        EXPECT_NE(r.FindMapping(b), nullptr);
        ++patched;
    });
    RefHolder holdA2(remap.CloneRef(a));
    RefHolder holdB2(remap.CloneRef(b));
    EXPECT_EQ(patched, 0);
    remap.Backpatch();
    EXPECT_EQ(patched, 1);

    auto* a2 = static_cast<Plain*>(holdA2.Get());
    auto* b2 = static_cast<Plain*>(holdB2.Get());
    ASSERT_NE(a2, a);
    auto* shared2 = static_cast<Plain*>(a2->GetReference(0));
    ASSERT_NE(shared2, nullptr);
    EXPECT_NE(shared2, shared);
    EXPECT_EQ(shared2->number, 7);
    EXPECT_EQ(a2->GetReference(1), shared2);
    EXPECT_EQ(b2->GetReference(0), shared2);
    EXPECT_EQ(shared2->NumDependents(), 3);
    EXPECT_NE(a2->GetReference(2), a->GetReference(2));
    // The originals are untouched.
    EXPECT_EQ(shared->NumDependents(), 3);
    EXPECT_EQ(remap.FindMapping(shared), shared2);
}

TEST_F(References, CloneRefHierarchyCopiesWhatTheTargetDependsOn) {
    RefHolder hold(new Plain(2, u"root"));
    auto* root = static_cast<Plain*>(hold.Get());
    auto* child = new Plain(1, u"child");
    auto* leaf = new Plain(0, u"leaf");
    root->ReplaceReference(0, child);
    root->ReplaceReference(1, leaf);
    child->ReplaceReference(0, leaf);

    const int alive = Plain::alive;
    RefHolder holdCopy(CloneRefHierarchy(root));
    auto* copy = static_cast<Plain*>(holdCopy.Get());
    EXPECT_EQ(Plain::alive, alive + 3);
    EXPECT_EQ(copy->name, u"root");
    auto* child2 = static_cast<Plain*>(copy->GetReference(0));
    EXPECT_EQ(child2->name, u"child");
    EXPECT_EQ(child2->GetReference(0), copy->GetReference(1));
    EXPECT_NE(copy->GetReference(1), leaf);
}
