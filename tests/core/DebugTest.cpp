#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "core-interface/Debug.h"

using Nimbal::DEBUG_PRINT;
using Nimbal::String;
namespace DebugLog = Nimbal::DebugLog;

TEST(DebugLog, CaptureCollectsLinesFromAllThreads) {
    DEBUG_PRINT("before the capture");
    DebugLog::startCapture();
    DEBUG_PRINT(String(u"loadMesh() took \u00B5s"));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([] {
            for (int i = 0; i < 100; ++i) DEBUG_PRINT(String("worker ") + i);
        });
    }
    for (auto& t : threads) t.join();
    const std::vector<std::string> lines = DebugLog::lines();
    DebugLog::stopCapture();

    ASSERT_EQ(lines.size(), 401u);
    EXPECT_EQ(lines[0], "loadMesh() took \u00B5s");
    DEBUG_PRINT("after the capture");
    EXPECT_TRUE(DebugLog::lines().empty());
}

TEST(DebugLog, EnvironmentSendsLinesToAFile) {
    const char* saved = std::getenv("NIMBAL_DEBUG_LOG");
    const std::string keep = saved ? saved : "";
    const auto path = std::filesystem::temp_directory_path() / ("nimbal-debug-" + std::to_string(::getpid()) + ".log");
    std::filesystem::remove(path);

    ::unsetenv("NIMBAL_DEBUG_LOG");
    DEBUG_PRINT("silent");
    ::setenv("NIMBAL_DEBUG_LOG", path.c_str(), 1);
    DEBUG_PRINT("Updating scatter: seed 7");
    DEBUG_PRINT("Proxy::OnUnitsChange");
    if (saved) {
        ::setenv("NIMBAL_DEBUG_LOG", keep.c_str(), 1);
    } else {
        ::unsetenv("NIMBAL_DEBUG_LOG");
    }

    std::ifstream in(path);
    std::stringstream content;
    content << in.rdbuf();
    EXPECT_EQ(content.str(), "Updating scatter: seed 7\nProxy::OnUnitsChange\n");
    std::filesystem::remove(path);
}
