// The class registry is a stored-data contract: scenes store these ids.
#include <gtest/gtest.h>

#include <cstdlib>

#include "ClassDescs.h"
#include "core-interface/Exception.h"
#include "core-interface/WinApi.h"
#include "LibEntry.h"
#include "host/Max.h"

namespace {

struct Row {
    unsigned index;
    const char* className;
    const char16_t* category;
    SClass_ID superClass;
    ULONG a, b;
};

const Row kRegistry[] = {
    {0, "NimbalMtl", u"Nimbal", 0xC00, 0x70BE6506, 0x448931DD},
    {1, "NimbalLight", u"Nimbal", 0x30, 0x423045E5, 0x294C5879},
    {2, "NimbalShadows", u"Nimbal", 0x10D0, 0x28704565, 0xCC151275},
    {3, "NFractal", u"Nimbal", 0x10, 0xA81B220E, 0x7964D0A3},
    {4, "NimbalSky", u"Environment", 0xC10, 0x59577962, 0x4CAB7AC1},
    {5, "NimbalAO", u"3D maps", 0xC10, 0x26EA4249, 0x404B4B59},
    {6, "NimbalSun", u"Nimbal", 0x30, 0x7C3A3C80, 0x09CF576F},
    {7, "NimbalData", u"2D maps", 0xC10, 0xACE84000, 0x0486165E},
    {8, "NimbalVolumeMtl", u"Nimbal", 0xC00, 0x39874782, 0x378CDE97},
    {9, "NScatter", u"Nimbal", 0x10, 0x63B20069, 0x325E5220},
    {10, "NProxy", u"Nimbal", 0x10, 0x2B0264BC, 0x05EC07F5},
    {11, "NimbalLightMtl", u"Nimbal", 0xC00, 0x53B7717A, 0x500D5093},
    {12, "NimbalWire", u"3D maps", 0xC10, 0x6520786F, 0x321045B4},
    {13, "NimbalMix", u"Compositors", 0xC10, 0x6847286F, 0x3FFFAAB4},
    {14, "NimbalColor", u"2D maps", 0xC10, 0x68426DCA, 0x372362D4},
    {15, "NimbalCameraMod", u"Camera Modifiers", 0x810, 0xA387449C, 0x1DEDED8F},
    {16, "NimbalOutput", u"Color Mods", 0xC10, 0x81426DC9, 0x37843900},
    {17, "NimbalPortalMtl", u"Nimbal", 0xC00, 0x76666506, 0x448ADE9D},
    {18, "NimbalFrontBack", u"Compositors", 0xC10, 0xABCD2067, 0x8723545D},
    {19, "NimbalNormal", u"2D maps", 0xC10, 0x2870CEAA, 0xCC18437C},
    {20, "NimbalRaySwitch", u"Compositors", 0xC10, 0x26581A55, 0x5E138D35},
    {21, "NimbalRaySwitchMtl", u"Nimbal", 0xC00, 0x6816116A, 0xABE651DE},
    {22, "NimbalShadowCatcherMtl", u"Nimbal", 0xC00, 0x398ACEAD, 0xACDC3625},
    {23, "NimbalMultiMap", u"Compositors", 0xC10, 0xBABA3487, 0x30782624},
    {24, "NimbalFractal2D", u"2D maps", 0xC10, 0x4F64749D, 0x11711D2B},
    {25, "NimbalColorMapper", u"Color Mods", 0xC10, 0x768EC55B, 0xE1A705DE},
};

TEST(Registry, EveryDescriptorMatchesTheTable) {
    for (const Row& row : kRegistry) {
        SCOPED_TRACE(row.className);
        ClassDesc* cd = LibClassDesc(row.index);
        ASSERT_NE(cd, nullptr);
        EXPECT_EQ(ToUtf8(cd->ClassName()), row.className);
        EXPECT_EQ(MSTR(cd->InternalName()), MSTR(cd->ClassName()));
        EXPECT_EQ(MSTR(cd->Category()), MSTR(row.category));
        EXPECT_EQ(cd->SuperClassID(), row.superClass);
        EXPECT_EQ(cd->ClassID(), Class_ID(row.a, row.b));
        EXPECT_EQ(cd->IsPublic(), 1);
        EXPECT_EQ(cd->InitialRollupPageState(), 0x7FFFFFFFu);
        EXPECT_EQ(cd->SubClassID(), Class_ID(0xFFFFFFFF, 0xFFFFFFFF));
        EXPECT_EQ(cd->Execute(0), 0);
    }
}

TEST(Registry, ClassCountFollowsTheDevelopmentSwitch) {
    unsetenv("NIMBAL_DEVELOPMENT");
    EXPECT_EQ(LibNumberClasses(), 24);
    // The hidden classes still answer when asked directly.
    ASSERT_NE(LibClassDesc(24), nullptr);
    EXPECT_EQ(ToUtf8(LibClassDesc(25)->ClassName()), "NimbalColorMapper");
    setenv("NIMBAL_DEVELOPMENT", "1", 1);
    EXPECT_EQ(LibNumberClasses(), 26);
    setenv("NIMBAL_DEVELOPMENT", "yes", 1);
    EXPECT_EQ(LibNumberClasses(), 24);
    unsetenv("NIMBAL_DEVELOPMENT");
}

TEST(Registry, BadIndexShowsStopBoxAndReturnsNull) {
    UiService::Get().Clear();
    for (unsigned bad : {26u, 1000u, 0xFFFFFFFFu}) {
        EXPECT_EQ(LibClassDesc(bad), nullptr);
    }
    const auto& shown = UiService::Get().Records();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].kind, UiRecord::MessageBox);
    EXPECT_EQ(ToUtf8(shown[0].text), "STOP@LibClassDesc");
    EXPECT_EQ(ToUtf8(shown[0].caption), "Nimbal error");
    EXPECT_EQ(shown[0].flags & 0x0F, MB_OK);
    UiService::Get().Clear();
}

TEST(Registry, EntryPointsAnswerAsTheHostExpects) {
    EXPECT_EQ(ToUtf8(LibDescription()), "Nimbal renderer utilities library");
    EXPECT_EQ(LibVersion(), Get3DSMAXVersion());
    EXPECT_EQ(LibInitialize(), 1);
    EXPECT_EQ(LibShutdown(), 1);
    EXPECT_EQ(CanAutoDefer(), 0u);
    EXPECT_NE(Nimbal::hInstance, nullptr);
    EXPECT_EQ(LibClassDesc(3)->HInstance(), Nimbal::hInstance);
}

// Loaded into a host, the core's folder and save dialogs are the host's: a
// scripted answer reaches the core, and the host keeps what was asked.
TEST(Registry, CoreDialogsAreShownByTheHost) {
    UiService& ui = UiService::Get();
    ui.Clear();
    ui.ScriptPath(u"/tmp/answered");
    EXPECT_EQ(Nimbal::WinApi::dirSelectDlg(nullptr, Nimbal::String("Pick a folder"), Nimbal::String("/start")), Nimbal::String("/tmp/answered"));
    EXPECT_TRUE(Nimbal::WinApi::filenameSaveDlg(nullptr, Nimbal::String("Save as"), Nimbal::String("All (*.*)|*.*")).isEmpty());  // cancelled
    ASSERT_EQ(ui.Records().size(), 2u);
    EXPECT_EQ(ui.Records()[0].kind, UiRecord::SelectDirectory);
    EXPECT_EQ(ui.Records()[0].text, u"Pick a folder");
    EXPECT_EQ(ui.Records()[0].caption, u"/start");
    EXPECT_EQ(ui.Records()[1].kind, UiRecord::SaveFile);
    EXPECT_EQ(ui.Records()[1].caption, u"All (*.*)|*.*");
    ui.Clear();
}

TEST(Registry, BrowserEntryInfoOnlyForMaterialsAndMaps) {
    for (const Row& row : kRegistry) {
        SCOPED_TRACE(row.className);
        FPInterface* fpi = LibClassDesc(row.index)->GetInterface(IMATERIAL_BROWSER_ENTRY_INFO_INTERFACE);
        const bool mtlOrMap = row.superClass == 0xC00 || row.superClass == 0xC10;
        ASSERT_EQ(fpi != nullptr, mtlOrMap);
        if (!mtlOrMap) continue;
        auto* info = static_cast<IMaterialBrowserEntryInfo*>(fpi);
        EXPECT_EQ(info->GetID(), IMATERIAL_BROWSER_ENTRY_INFO_INTERFACE);
        EXPECT_EQ(ToUtf8(info->GetEntryName()), row.className);
        EXPECT_EQ(ToUtf8(info->GetEntryCategory()), row.superClass == 0xC00 ? "Materials\\Nimbal" : "Maps\\Nimbal");
        EXPECT_FALSE(info->HasCustomImage());
        EXPECT_FALSE(info->IsHidden());
    }
}

TEST(Registry, CustomThumbnailIsAProgrammingError) {
    auto* info = static_cast<IMaterialBrowserEntryInfo*>(
        LibClassDesc(8)->GetInterface(IMATERIAL_BROWSER_ENTRY_INFO_INTERFACE));
    try {
        info->GetCustomImage();
        FAIL() << "no assertion";
    } catch (const Nimbal::Exception& e) {
        EXPECT_EQ(e.getCode(), 123);
        const std::string msg = e.what();
        EXPECT_EQ(msg.rfind("STOP@", 0), 0u);
        EXPECT_NE(msg.find("ClassDescs.cpp("), std::string::npos) << msg;
        EXPECT_EQ(msg.back(), ')');
    }
}

TEST(Registry, HostRegistersTheLibraryThroughItsEntryPoints) {
    std::string error;
    auto lib = PluginLibrary::FromEntryPoints(nimbalEntryPoints(), error);
    ASSERT_TRUE(lib) << error;
    ASSERT_EQ(lib->NumClasses(), 24);
    for (int i = 0; i < lib->NumClasses(); ++i) {
        ClassDesc* cd = lib->Class(i);
        EXPECT_EQ(cd, LibClassDesc(static_cast<unsigned>(i)));
        EXPECT_EQ(ClassDirectory::Get().FindClass(cd->SuperClassID(), cd->ClassID()), cd);
    }
    // Unloading takes the classes out of the directory again.
    lib.reset();
    EXPECT_EQ(ClassDirectory::Get().FindClass(GEOMOBJECT_CLASS_ID, Class_ID(0x2B0264BC, 0x05EC07F5)), nullptr);
    for (unsigned i = 0; i < Nimbal::ALL_CLASSES; ++i) ClassDirectory::Get().AddClass(Nimbal::classDescAt(i));
}

}  // namespace
