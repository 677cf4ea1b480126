// Running `nimbal` from a test as a user runs it: in a folder of the test's
// own, with stdout and stderr kept apart, and the files it reads and writes
// there.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace clitest {

namespace fs = std::filesystem;

inline const std::string kBin = NIMBAL_BIN_DIR;

struct Outcome {
    int code = -1;  // -1 when the tool did not exit by itself
    std::string out, err;
};

inline std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// One word for the shell, whatever it holds.
inline std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// A shell command line's stdout and exit code; its stderr goes where the
// line sends it.
inline Outcome RunShell(const std::string& line) {
    Outcome r;
    FILE* p = popen(line.c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
    const int status = pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// A fresh folder for each test. The process id is in its name: ctest runs
// tests of the same suite side by side.
class CliFolder : public ::testing::Test {
protected:
    void SetUp() override {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() / (std::string("nimbal-") + info->test_suite_name() + "-" +
                                            std::to_string(::getpid()) + "-" + info->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path Path(const std::string& name) const { return dir_ / name; }
    std::string File(const std::string& name) const { return Path(name).string(); }
    std::string Read(const std::string& name) const { return ReadFile(Path(name)); }
    // Folders on the way are made.
    void Write(const std::string& name, const std::string& content) const {
        fs::create_directories(Path(name).parent_path());
        std::ofstream(Path(name), std::ios::binary) << content;
    }

    // `nimbal ARGS` in the test's folder; `prefix` goes before it on the
    // shell line (variables, ulimit).
    Outcome Nimbal(const std::string& args, const std::string& prefix = "") const {
        const fs::path err = dir_ / ".stderr";
        Outcome r = RunShell("cd " + Quote(dir_.string()) + " && " + prefix + kBin + "/nimbal " + args + " 2>" +
                             Quote(err.string()));
        r.err = ReadFile(err);
        return r;
    }

    fs::path dir_;
};

}  // namespace clitest
