#pragma once

#include <vector>

#include "core-interface/Stack.h"
#include "core-interface/String.h"

namespace Nimbal::WinApi {

// True when the environment variable NIMBAL_DEVELOPMENT is exactly "1".
bool isDevelopmentEnviro();

// Paths under `root`, sorted by UTF-16 code units so the order never depends
// on the file system.
//   recursive          - descend into subdirectories (symbolic links to
//                        directories are not followed, so cycles are harmless);
//   includeDirectories - list directories too, not only regular files;
//   fullPaths          - each entry is root + "/" + relative path; otherwise
//                        the path relative to root, '/'-separated.
// A root that is not a readable directory gives an empty stack; unreadable
// subdirectories are skipped. Names that are not UTF-8 on disk come back
// with U+FFFD in place of the bad bytes.
Stack<String> getFiles(const String& root, bool recursive, bool includeDirectories, bool fullPaths);

// Both dialogs answer the chosen path, or an empty String when cancelled.
String dirSelectDlg(void* owner, const String& title, const String& start);
String filenameSaveDlg(void* owner, const String& title, const String& filter);

// Where the two dialogs go. The default one cannot ask anybody: it cancels
// and records nothing.
class DialogHandler {
public:
    virtual ~DialogHandler() = default;
    virtual String selectDirectory(void* owner, const String& title, const String& start) = 0;
    virtual String saveFilename(void* owner, const String& title, const String& filter) = 0;
};

// Installs `handler` (not owned; null restores the default) and returns the
// previous one.
DialogHandler* setDialogHandler(DialogHandler* handler);

// Answers from a script, in order, and keeps what was asked. An exhausted
// script cancels.
class ScriptedDialogHandler : public DialogHandler {
public:
    enum class Kind { SelectDirectory, SaveFilename };
    struct Request {
        Kind kind;
        void* owner;
        String title;
        String detail; // start directory or filter
    };

    // An empty answer stands for "cancelled".
    void queueAnswer(const String& answer) { answers_.push_back(answer); }
    const std::vector<Request>& requests() const { return requests_; }

    String selectDirectory(void* owner, const String& title, const String& start) override;
    String saveFilename(void* owner, const String& title, const String& filter) override;

private:
    String answer(Kind kind, void* owner, const String& title, const String& detail);

    std::vector<String> answers_;
    size_t nextAnswer_ = 0;
    std::vector<Request> requests_;
};

} // namespace Nimbal::WinApi
