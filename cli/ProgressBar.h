// A progress bar on standard error, shown on a terminal only: output to a
// pipe or a file stays clean.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <string>

namespace cli {

class ProgressBar {
public:
    // With `percent`, `done` counts percent of 100, as the host's bar reports.
    ProgressBar(long long total, bool shown, bool percent = false)
        : total_(total), shown_(shown && total > 0 && isatty(STDERR_FILENO)), percent_(percent) {}
    ~ProgressBar() {
        if (drawn_) std::fprintf(stderr, "\r\x1b[K");
    }
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void Update(long long done, const std::string& label) {
        if (!shown_) return;
        constexpr int width = 30;
        const int filled = static_cast<int>(width * done / total_);
        std::string name = label;
        if (name.size() > 40) name = "..." + name.substr(name.size() - 37);
        const std::string count = percent_ ? std::to_string(done) + "%" : std::to_string(done) + "/" + std::to_string(total_);
        std::fprintf(stderr, "\r[%s%s] %s %s\x1b[K", std::string(filled, '#').c_str(),
                     std::string(width - filled, '.').c_str(), count.c_str(), name.c_str());
        std::fflush(stderr);
        drawn_ = true;
    }

private:
    long long total_;
    bool shown_;
    bool percent_;
    bool drawn_ = false;
};

}  // namespace cli
