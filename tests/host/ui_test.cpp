// The headless user interface: the message-box and file-dialog service,
// parameter maps and their dialog procedures, and the graphics window.
#include <gtest/gtest.h>

#include <memory>

#include "fixtures.h"

using namespace hosttest;

TEST(UiServiceTest, MessageBoxesAreRecordedAndAnsweredWithoutAsking) {
    UiService& ui = UiService::Get();
    ui.Clear();
    struct Case {
        UINT flags;
        int answer;
    };
    const Case cases[] = {
        {MB_OK, IDOK},
        {MB_OKCANCEL | MB_ICONQUESTION, IDOK},
        {MB_YESNO | MB_ICONWARNING, IDYES},
        {MB_YESNOCANCEL | MB_TASKMODAL, IDYES},
    };
    for (const Case& c : cases) EXPECT_EQ(MessageBox(nullptr, u"Overwrite?", u"Nimbal", c.flags), c.answer);
    ASSERT_EQ(ui.Records().size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        const UiRecord& r = ui.Records()[i];
        EXPECT_EQ(r.kind, UiRecord::MessageBox);
        EXPECT_EQ(r.text, u"Overwrite?");
        EXPECT_EQ(r.caption, u"Nimbal");
        EXPECT_EQ(r.flags, cases[i].flags);
        EXPECT_EQ(r.answer, cases[i].answer);
    }
    ui.Clear();
}

TEST(UiServiceTest, ScriptedAnswersAreUsedFirstInOrder) {
    UiService& ui = UiService::Get();
    ui.Clear();
    std::vector<UiRecord> seen;
    ui.SetObserver([&](const UiRecord& r) { seen.push_back(r); });

    ui.ScriptAnswer(IDNO);
    ui.ScriptAnswer(IDCANCEL);
    EXPECT_EQ(MessageBox(nullptr, u"a", u"c", MB_YESNO), IDNO);
    EXPECT_EQ(MessageBox(nullptr, u"b", u"c", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(MessageBox(nullptr, u"c", u"c", MB_YESNO), IDYES);

    // File dialogs cancel unless a path is scripted; an empty one cancels.
    EXPECT_EQ(ui.FileDialog(UiRecord::OpenFile, nullptr, u"Open", u"*.ies"), u"");
    ui.ScriptPath(u"/data/out.nsc");
    ui.ScriptPath(u"");
    EXPECT_EQ(ui.FileDialog(UiRecord::SaveFile, nullptr, u"Save", u"*.nsc"), u"/data/out.nsc");
    EXPECT_EQ(ui.FileDialog(UiRecord::SelectDirectory, nullptr, u"Folder", u"/data"), u"");

    ASSERT_EQ(ui.Records().size(), 6u);
    const UiRecord& open = ui.Records()[3];
    EXPECT_EQ(open.kind, UiRecord::OpenFile);
    EXPECT_EQ(open.text, u"Open");
    EXPECT_EQ(open.caption, u"*.ies");
    EXPECT_EQ(open.answer, IDCANCEL);
    EXPECT_EQ(ui.Records()[4].answer, IDOK);
    EXPECT_EQ(ui.Records()[4].path, u"/data/out.nsc");
    EXPECT_EQ(ui.Records()[5].answer, IDCANCEL);
    EXPECT_EQ(seen.size(), 6u);

    // Clearing forgets the records and what was scripted.
    ui.ScriptAnswer(IDNO);
    ui.Clear();
    EXPECT_TRUE(ui.Records().empty());
    EXPECT_EQ(MessageBox(nullptr, u"d", u"c", MB_YESNO), IDYES);
    ui.SetObserver(nullptr);
    ui.Clear();
}

namespace {

// Records every message its dialog receives.
class RecordingProc : public ParamMap2UserDlgProc {
public:
    struct Msg {
        IParamMap2* map;
        HWND hWnd;
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
        bool hadBlock;
    };
    INT_PTR DlgProc(TimeValue, IParamMap2* map, HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) override {
        msgs.push_back({map, hWnd, msg, wParam, lParam, map->GetParamBlock() != nullptr});
        return msg == WM_INITDIALOG ? TRUE : FALSE;
    }
    int Count(UINT msg) const {
        int n = 0;
        for (const Msg& m : msgs)
            if (m.msg == msg) ++n;
        return n;
    }
    std::vector<Msg> msgs;
};

class ParamMapTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterTestClasses();
        WidgetDesc().SetUserDlgProc(&WidgetBlockDesc(), 0, &main);
        WidgetDesc().SetUserDlgProc(&WidgetBlockDesc(), 1, &looks);
        holder_ = std::make_unique<RefHolder>(new Widget());
        widget = static_cast<Widget*>(holder_->Get());
    }
    void TearDown() override {
        WidgetDesc().EndEditParams(nullptr, nullptr, 0, nullptr);
        WidgetDesc().SetUserDlgProc(&WidgetBlockDesc(), 0, nullptr);
        WidgetDesc().SetUserDlgProc(&WidgetBlockDesc(), 1, nullptr);
        holder_.reset();
        EXPECT_EQ(Census(), before_);
    }
    IParamMap2* Map(MapID id) { return WidgetDesc().GetParamMap(&WidgetBlockDesc(), id); }

    Census before_;
    RecordingProc main, looks;
    std::unique_ptr<RefHolder> holder_;
    Widget* widget = nullptr;
};

}  // namespace

TEST_F(ParamMapTest, EditingOpensOneInitialisedRolloutPerMap) {
    widget->BeginEditParams(GetCOREInterface(), 0, nullptr);
    IParamMap2* m0 = Map(0);
    IParamMap2* m1 = Map(1);
    ASSERT_TRUE(m0 && m1);
    EXPECT_EQ(widget->pblock->GetMap(0), m0);
    EXPECT_EQ(widget->pblock->GetMap(1), m1);
    EXPECT_EQ(WidgetDesc().EditedObject(), widget);
    ASSERT_FALSE(main.msgs.empty());
    EXPECT_EQ(main.msgs[0].msg, UINT(WM_INITDIALOG));
    EXPECT_EQ(main.msgs[0].map, m0);
    EXPECT_EQ(main.msgs[0].hWnd, m0->GetHWnd());
    EXPECT_EQ(looks.Count(WM_INITDIALOG), 1);
    EXPECT_EQ(m1->DialogId(), 200);
    EXPECT_TRUE(m1->IsClosed());
    EXPECT_FALSE(m0->IsClosed());
    EXPECT_EQ(GetWindowText(m0->GetHWnd()), u"Widget");
    EXPECT_EQ(GetWindowText(m1->GetHWnd()), u"Looks");

    // Controls carry the parameter's label (its internal name when it has none).
    struct Ctrl {
        IParamMap2* map;
        int id;
        const char16_t* label;
    };
    const Ctrl ctrls[] = {{m0, 1001, u"Size"}, {m0, 1002, u"Size"},  {m0, 1005, u"on"},
                          {m0, 1006, u"label"}, {m1, 1001, u"Tint"}, {m1, 1012, u"mode"}};
    for (const Ctrl& c : ctrls) {
        SCOPED_TRACE(c.id);
        HWND w = GetDlgItem(c.map->GetHWnd(), c.id);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(GetWindowText(w), c.label);
        EXPECT_TRUE(IsWindowEnabled(w));
        EXPECT_TRUE(IsWindowVisible(w));
    }
    EXPECT_EQ(GetDlgItem(m1->GetHWnd(), 1006), nullptr);

    widget->EndEditParams(GetCOREInterface(), 0, nullptr);
    EXPECT_EQ(Map(0), nullptr);
    EXPECT_EQ(widget->pblock->GetMap(0), nullptr);
    ASSERT_FALSE(main.msgs.empty());
    EXPECT_EQ(main.msgs.back().msg, UINT(WM_DESTROY));
    EXPECT_TRUE(main.msgs.back().hadBlock);
    EXPECT_EQ(looks.Count(WM_DESTROY), 1);
}

TEST_F(ParamMapTest, ControlsAreEnabledShownAndLabelledPerParameter) {
    widget->BeginEditParams(GetCOREInterface(), 0, nullptr);
    IParamMap2* m0 = Map(0);
    IParamMap2* m1 = Map(1);
    HWND dlg0 = m0->GetHWnd();
    HWND dlg1 = m1->GetHWnd();

    m0->Enable(wp_size, FALSE);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg0, 1001)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg0, 1002)));
    EXPECT_FALSE(m0->IsEnabled(wp_size));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg0, 1003)));
    m0->Enable(wp_size, TRUE);
    EXPECT_TRUE(m0->IsEnabled(wp_size));

    m0->Show(wp_label, FALSE);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dlg0, 1006)));
    EXPECT_FALSE(m0->IsShown(wp_label));
    m0->SetText(wp_on, u"Active");
    EXPECT_EQ(GetWindowText(GetDlgItem(dlg0, 1005)), u"Active");

    // Rollouts reuse control ids: a parameter of the other rollout must not
    // reach this rollout's control with the same id.
    m0->Enable(wp_tint, FALSE);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg0, 1001)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg1, 1001)));
    m1->Enable(wp_tint, FALSE);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg1, 1001)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg0, 1001)));
    EXPECT_FALSE(m1->IsEnabled(wp_tint));

    // A parameter without controls has nothing to change.
    m0->Enable(wp_offset, FALSE);
    EXPECT_FALSE(m0->IsEnabled(wp_offset));
    EXPECT_FALSE(m0->IsShown(wp_offset));
}

TEST_F(ParamMapTest, ChangesRedrawTheRolloutAndCommandsReachTheProcedure) {
    widget->BeginEditParams(GetCOREInterface(), 0, nullptr);
    IParamMap2* m0 = Map(0);
    const int paints = main.Count(WM_PAINT);
    const int invalidations = m0->InvalidationCount();
    widget->pblock->SetValue(wp_size, 0, 12.0f);
    EXPECT_EQ(main.Count(WM_PAINT), paints + 1);
    EXPECT_EQ(m0->InvalidationCount(), invalidations + 1);

    // A click on a control goes to the dialog procedure with the control's id.
    HWND check = GetDlgItem(m0->GetHWnd(), 1005);
    SendMessage(m0->GetHWnd(), WM_COMMAND, MAKEWPARAM(1005, BN_CLICKED), 0);
    SendMessage(check, WM_LBUTTONDOWN, 0, 0x00200010);
    ASSERT_GE(main.msgs.size(), 2u);
    const auto& cmd = main.msgs[main.msgs.size() - 2];
    EXPECT_EQ(cmd.msg, WM_COMMAND);
    EXPECT_EQ(LOWORD(cmd.wParam), 1005);
    EXPECT_EQ(HIWORD(cmd.wParam), BN_CLICKED);
    const auto& mouse = main.msgs.back();
    EXPECT_EQ(mouse.msg, WM_LBUTTONDOWN);
    EXPECT_EQ(mouse.hWnd, check);
    EXPECT_EQ(mouse.lParam, 0x00200010);
    EXPECT_EQ(looks.Count(WM_COMMAND), 0);
}

TEST_F(ParamMapTest, AnObjectDeletedWhileEditedLeavesItsRolloutsHarmless) {
    widget->BeginEditParams(GetCOREInterface(), 0, nullptr);
    IParamMap2* m0 = Map(0);
    holder_.reset();
    EXPECT_EQ(m0->GetParamBlock(), nullptr);
    m0->Enable(wp_size, FALSE);
    EXPECT_FALSE(m0->IsEnabled(wp_size));
    WidgetDesc().EndEditParams(nullptr, nullptr, 0, nullptr);
    EXPECT_EQ(main.msgs.back().msg, UINT(WM_DESTROY));
    EXPECT_FALSE(main.msgs.back().hadBlock);
}

TEST_F(ParamMapTest, MaterialEditorDialogsAreBuiltAndTornDownTogether) {
    IAutoMParamDlg* dlg = WidgetDesc().CreateParamDlgs(nullptr, nullptr, widget);
    ASSERT_EQ(dlg->NumMaps(), 2);
    EXPECT_EQ(dlg->GetMap(1)->GetMapID(), 1);
    EXPECT_EQ(main.Count(WM_INITDIALOG), 1);
    EXPECT_EQ(looks.Count(WM_INITDIALOG), 1);
    dlg->DeleteThis();
    EXPECT_EQ(main.Count(WM_DESTROY), 1);
    EXPECT_EQ(looks.Count(WM_DESTROY), 1);
    EXPECT_EQ(widget->pblock->GetMap(0), nullptr);
}

TEST(GraphicsWindowTest, EachPrimitiveKeepsTheTransformAndColourInForce) {
    GraphicsWindow gw;
    const Point3 pts[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    gw.setTransform(TransMatrix(Point3(1, 0, 0)));
    gw.setColor(LINE_COLOR, 1, 0, 0);
    gw.polyline(3, pts, TRUE);
    gw.setColor(LINE_COLOR, 0, 1, 0);
    gw.startMarkers();
    gw.marker(&pts[1], X_MRKR);
    gw.endMarkers();
    gw.setColor(TEXT_COLOR, Point3(0, 0, 1));
    gw.text(&pts[2], u"label");
    gw.setTransform(TransMatrix(Point3(0, 2, 0)));
    gw.setColor(FILL_COLOR, 0.5f, 0.5f, 0);
    gw.triangle(pts);
    gw.startSegments();
    gw.segment(pts, 1);
    gw.segment(pts + 1, 0);  // invisible
    gw.endSegments();
    Mesh mesh;
    mesh.setNumVerts(3);
    mesh.setNumFaces(1);
    gw.mesh(mesh);

    const auto& r = gw.Records();
    ASSERT_EQ(r.size(), 6u);
    EXPECT_EQ(r[0].kind, DrawRecord::Polyline);
    EXPECT_TRUE(r[0].closed);
    EXPECT_EQ(r[0].points, std::vector<Point3>(pts, pts + 3));
    EXPECT_EQ(r[0].color, Point3(1, 0, 0));
    EXPECT_EQ(r[0].tm.GetTrans(), Point3(1, 0, 0));
    EXPECT_EQ(r[1].kind, DrawRecord::Marker);
    EXPECT_EQ(r[1].marker, X_MRKR);
    EXPECT_EQ(r[1].color, Point3(0, 1, 0));
    EXPECT_EQ(r[2].kind, DrawRecord::Text);
    EXPECT_EQ(r[2].text, u"label");
    EXPECT_EQ(r[2].color, Point3(0, 0, 1));
    EXPECT_EQ(r[3].kind, DrawRecord::Triangle);
    EXPECT_EQ(r[3].color, Point3(0.5f, 0.5f, 0));
    EXPECT_EQ(r[3].tm.GetTrans(), Point3(0, 2, 0));
    EXPECT_EQ(r[4].kind, DrawRecord::Polyline);
    EXPECT_EQ(r[4].points.size(), 2u);
    EXPECT_FALSE(r[4].closed);
    EXPECT_EQ(r[4].color, Point3(0, 1, 0));
    EXPECT_EQ(r[5].kind, DrawRecord::MeshShape);
    EXPECT_EQ(r[5].meshVerts, 3);
    EXPECT_EQ(r[5].meshFaces, 1);
    EXPECT_EQ(gw.Count(DrawRecord::Polyline), 2);
    EXPECT_EQ(gw.getColor(LINE_COLOR), Point3(0, 1, 0));
    gw.ClearRecords();
    EXPECT_TRUE(gw.Records().empty());
}

TEST(GraphicsWindowTest, ADummyDrawsItsBoxInItsNodesObjectTransform) {
    auto* node = new INode();
    auto* dummy = new DummyObject();
    dummy->SetBox(Box3(Point3(-1, -2, -3), Point3(1, 2, 3)));
    node->SetObjectRef(dummy);
    node->SetNodeTM(0, TransMatrix(Point3(10, 0, 0)));
    node->SetObjOffsetTM(TransMatrix(Point3(0, 5, 0)));
    ViewExp view;
    dummy->Display(0, node, &view, 0);
    const auto& r = view.getGW()->Records();
    // Bottom and top as closed loops, then the four upright edges.
    ASSERT_EQ(r.size(), 6u);
    EXPECT_TRUE(r[0].closed && r[1].closed);
    for (const DrawRecord& d : r) {
        EXPECT_EQ(d.kind, DrawRecord::Polyline);
        EXPECT_EQ(d.tm.GetTrans(), Point3(10, 5, 0));
    }
    Box3 drawn;
    for (const DrawRecord& d : r)
        for (const Point3& p : d.points) drawn += p;
    EXPECT_EQ(drawn, dummy->GetBox());
    node->DeleteMe();
}
