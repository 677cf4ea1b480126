// The headless window system: windows are records of controls that can be
// enabled, shown and labelled, and dialog procedures receive the usual
// messages. Message boxes and file dialogs go through one replaceable service
// that records what was shown and answers as scripted.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/Types.h"

struct HostWindow;
using HWND = HostWindow*;
using HINSTANCE = void*;
using HDC = void*;
using HBITMAP = void*;

using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_SETCURSOR = 0x0020;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT BN_CLICKED = 0;

constexpr UINT MB_OK = 0x0000;
constexpr UINT MB_OKCANCEL = 0x0001;
constexpr UINT MB_YESNOCANCEL = 0x0003;
constexpr UINT MB_YESNO = 0x0004;
constexpr UINT MB_ICONERROR = 0x0010;
constexpr UINT MB_ICONQUESTION = 0x0020;
constexpr UINT MB_ICONWARNING = 0x0030;
constexpr UINT MB_ICONINFORMATION = 0x0040;
constexpr UINT MB_TASKMODAL = 0x2000;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

constexpr int SW_HIDE = 0;
constexpr int SW_SHOW = 5;

constexpr DWORD DLL_PROCESS_DETACH = 0;
constexpr DWORD DLL_PROCESS_ATTACH = 1;
constexpr DWORD DLL_THREAD_ATTACH = 2;
constexpr DWORD DLL_THREAD_DETACH = 3;

inline WORD LOWORD(WPARAM w) { return static_cast<WORD>(w & 0xFFFF); }
inline WORD HIWORD(WPARAM w) { return static_cast<WORD>((w >> 16) & 0xFFFF); }
inline WPARAM MAKEWPARAM(WORD lo, WORD hi) { return static_cast<WPARAM>(lo) | (static_cast<WPARAM>(hi) << 16); }

struct HostWindow {
    int id = 0;
    MSTR text;
    bool enabled = true;
    bool visible = true;
    HostWindow* parent = nullptr;
    std::vector<std::unique_ptr<HostWindow>> children;
    std::function<INT_PTR(HWND, UINT, WPARAM, LPARAM)> proc;
    LONG_PTR userData = 0;
    // State of custom controls (host/CustomControls.h): a spinner's value and
    // a list's selected item (-1 for none).
    float value = 0.0f;
    int curSel = -1;

    HostWindow* AddChild(int childId, const MSTR& label = MSTR());
    HostWindow* Child(int childId);
};

HWND GetDlgItem(HWND dlg, int id);
int GetDlgCtrlID(HWND w);
BOOL EnableWindow(HWND w, BOOL enable);
BOOL IsWindowEnabled(HWND w);
BOOL ShowWindow(HWND w, int cmd);
BOOL IsWindowVisible(HWND w);
BOOL SetWindowText(HWND w, const MCHAR* text);
MSTR GetWindowText(HWND w);
BOOL SetDlgItemText(HWND dlg, int id, const MCHAR* text);
LONG_PTR SetWindowLongPtr(HWND w, int index, LONG_PTR value);
LONG_PTR GetWindowLongPtr(HWND w, int index);
INT_PTR SendMessage(HWND w, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL DisableThreadLibraryCalls(HINSTANCE module);
constexpr int GWLP_USERDATA = -21;

// What the user was shown, and what was answered.
struct UiRecord {
    enum Kind { MessageBox, SaveFile, OpenFile, SelectDirectory };
    Kind kind;
    MSTR text;     // message text, or the dialog's title
    MSTR caption;  // message caption, or the dialog's filter / start folder
    UINT flags = 0;
    int answer = 0;
    MSTR path;  // the chosen path for file dialogs; empty when cancelled
};

// The user-interface service. The default answers without asking: OK for a
// message box (Yes when there is no OK), cancel for file dialogs. Scripted
// answers are used first, in order.
class UiService {
public:
    static UiService& Get();

    int MessageBox(HWND owner, const MCHAR* text, const MCHAR* caption, UINT flags);
    MSTR FileDialog(UiRecord::Kind kind, HWND owner, const MCHAR* title, const MCHAR* filterOrStart);

    void ScriptAnswer(int answer) { answers_.push_back(answer); }
    void ScriptPath(const MSTR& path) { paths_.push_back(path); }
    const std::vector<UiRecord>& Records() const { return records_; }
    void Clear() { records_.clear(); answers_.clear(); paths_.clear(); }
    // Optional observer, e.g. to print what a command-line run would show.
    void SetObserver(std::function<void(const UiRecord&)> observer) { observer_ = std::move(observer); }

private:
    std::vector<UiRecord> records_;
    std::deque<int> answers_;
    std::deque<MSTR> paths_;
    std::function<void(const UiRecord&)> observer_;
};

int MessageBox(HWND owner, const MCHAR* text, const MCHAR* caption, UINT flags);
