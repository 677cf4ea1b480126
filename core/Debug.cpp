#include "core-interface/Debug.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace Nimbal {

namespace {

std::mutex logMutex;
bool capturing = false;
std::vector<std::string> captured;

} // namespace

void DEBUG_PRINT(const String& line) {
    const std::string text = line.toUtf8();
    std::lock_guard<std::mutex> lock(logMutex);
    if (capturing) captured.push_back(text);
    const char* target = std::getenv("NIMBAL_DEBUG_LOG");
    if (!target || !*target) return;
    if (std::strcmp(target, "1") == 0 || std::strcmp(target, "stderr") == 0) {
        std::fprintf(stderr, "%s\n", text.c_str());
        return;
    }
    // Opened per line so that the log survives a crash and other processes
    // can append to the same file.
    if (std::FILE* file = std::fopen(target, "a")) {
        std::fprintf(file, "%s\n", text.c_str());
        std::fclose(file);
    }
}

namespace DebugLog {

void startCapture() {
    std::lock_guard<std::mutex> lock(logMutex);
    captured.clear();
    capturing = true;
}

void stopCapture() {
    std::lock_guard<std::mutex> lock(logMutex);
    capturing = false;
    captured.clear();
}

std::vector<std::string> lines() {
    std::lock_guard<std::mutex> lock(logMutex);
    return captured;
}

} // namespace DebugLog

} // namespace Nimbal
