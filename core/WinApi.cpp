#include "core-interface/WinApi.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace Nimbal::WinApi {

namespace fs = std::filesystem;

bool isDevelopmentEnviro() {
    const char* value = std::getenv("NIMBAL_DEVELOPMENT");
    return value && std::strcmp(value, "1") == 0;
}

Stack<String> getFiles(const String& root, bool recursive, bool includeDirectories, bool fullPaths) {
    Stack<String> result;
    const std::string rootText = root.toUtf8();
    std::error_code error;
    const fs::path rootPath(rootText);
    if (rootText.empty() || !fs::is_directory(rootPath, error)) return result;

    std::string prefix = rootText;
    if (prefix.back() != '/' && prefix.back() != '\\') prefix += '/';

    std::vector<String> found;
    auto visit = [&](const fs::directory_entry& entry) {
        std::error_code statusError;
        bool isDirectory = entry.is_directory(statusError);
        bool isFile = !isDirectory && entry.is_regular_file(statusError);
        if (!isFile && !(isDirectory && includeDirectories)) return;
        const std::string relative = entry.path().lexically_relative(rootPath).generic_string();
        found.push_back(String::fromUtf8(fullPaths ? prefix + relative : relative));
    };

    const auto options = fs::directory_options::skip_permission_denied;
    if (recursive) {
        fs::recursive_directory_iterator it(rootPath, options, error), end;
        while (!error && it != end) {
            visit(*it);
            it.increment(error);
        }
    } else {
        fs::directory_iterator it(rootPath, options, error), end;
        while (!error && it != end) {
            visit(*it);
            it.increment(error);
        }
    }

    std::sort(found.begin(), found.end());
    result.reserve(int64_t(found.size()));
    for (String& path : found) result.push(std::move(path));
    return result;
}

namespace {

class CancellingHandler final : public DialogHandler {
public:
    String selectDirectory(void*, const String&, const String&) override { return String(); }
    String saveFilename(void*, const String&, const String&) override { return String(); }
};

CancellingHandler cancelling;
std::atomic<DialogHandler*> current{&cancelling};

} // namespace

DialogHandler* setDialogHandler(DialogHandler* handler) {
    return current.exchange(handler ? handler : &cancelling);
}

String dirSelectDlg(void* owner, const String& title, const String& start) {
    return current.load()->selectDirectory(owner, title, start);
}

String filenameSaveDlg(void* owner, const String& title, const String& filter) {
    return current.load()->saveFilename(owner, title, filter);
}

String ScriptedDialogHandler::selectDirectory(void* owner, const String& title, const String& start) {
    return answer(Kind::SelectDirectory, owner, title, start);
}

String ScriptedDialogHandler::saveFilename(void* owner, const String& title, const String& filter) {
    return answer(Kind::SaveFilename, owner, title, filter);
}

String ScriptedDialogHandler::answer(Kind kind, void* owner, const String& title, const String& detail) {
    requests_.push_back(Request{kind, owner, title, detail});
    if (nextAnswer_ >= answers_.size()) return String();
    return answers_[nextAnswer_++];
}

} // namespace Nimbal::WinApi
