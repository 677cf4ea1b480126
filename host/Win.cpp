#include "host/Win.h"

HostWindow* HostWindow::AddChild(int childId, const MSTR& label) {
    auto w = std::make_unique<HostWindow>();
    w->id = childId;
    w->text = label;
    w->parent = this;
    children.push_back(std::move(w));
    return children.back().get();
}

HostWindow* HostWindow::Child(int childId) {
    for (auto& c : children) {
        if (c->id == childId) return c.get();
        if (HostWindow* deep = c->Child(childId)) return deep;
    }
    return nullptr;
}

HWND GetDlgItem(HWND dlg, int id) { return dlg ? dlg->Child(id) : nullptr; }
int GetDlgCtrlID(HWND w) { return w ? w->id : 0; }

BOOL EnableWindow(HWND w, BOOL enable) {
    if (!w) return FALSE;
    const BOOL was = !w->enabled;
    w->enabled = enable != 0;
    return was;
}

BOOL IsWindowEnabled(HWND w) { return w && w->enabled; }

BOOL ShowWindow(HWND w, int cmd) {
    if (!w) return FALSE;
    const BOOL was = w->visible;
    w->visible = cmd != SW_HIDE;
    return was;
}

BOOL IsWindowVisible(HWND w) { return w && w->visible; }

BOOL SetWindowText(HWND w, const MCHAR* text) {
    if (!w) return FALSE;
    w->text = text ? text : u"";
    return TRUE;
}

MSTR GetWindowText(HWND w) { return w ? w->text : MSTR(); }

BOOL SetDlgItemText(HWND dlg, int id, const MCHAR* text) { return SetWindowText(GetDlgItem(dlg, id), text); }

LONG_PTR SetWindowLongPtr(HWND w, int index, LONG_PTR value) {
    if (!w || index != GWLP_USERDATA) return 0;
    LONG_PTR old = w->userData;
    w->userData = value;
    return old;
}

LONG_PTR GetWindowLongPtr(HWND w, int index) { return (w && index == GWLP_USERDATA) ? w->userData : 0; }

INT_PTR SendMessage(HWND w, UINT msg, WPARAM wParam, LPARAM lParam) {
    for (HWND cur = w; cur; cur = cur->parent)
        if (cur->proc) return cur->proc(w, msg, wParam, lParam);
    return 0;
}

BOOL DisableThreadLibraryCalls(HINSTANCE) { return TRUE; }

UiService& UiService::Get() {
    static UiService service;
    return service;
}

int UiService::MessageBox(HWND, const MCHAR* text, const MCHAR* caption, UINT flags) {
    UiRecord r{UiRecord::MessageBox, text ? text : u"", caption ? caption : u"", flags, 0, {}};
    if (!answers_.empty()) {
        r.answer = answers_.front();
        answers_.pop_front();
    } else {
        const UINT buttons = flags & 0x0F;
        r.answer = (buttons == MB_YESNO || buttons == MB_YESNOCANCEL) ? IDYES : IDOK;
    }
    records_.push_back(r);
    if (observer_) observer_(r);
    return r.answer;
}

MSTR UiService::FileDialog(UiRecord::Kind kind, HWND, const MCHAR* title, const MCHAR* filterOrStart) {
    UiRecord r{kind, title ? title : u"", filterOrStart ? filterOrStart : u"", 0, IDCANCEL, {}};
    if (!paths_.empty()) {
        r.path = paths_.front();
        paths_.pop_front();
        r.answer = r.path.empty() ? IDCANCEL : IDOK;
    }
    records_.push_back(r);
    if (observer_) observer_(r);
    return r.path;
}

int MessageBox(HWND owner, const MCHAR* text, const MCHAR* caption, UINT flags) {
    return UiService::Get().MessageBox(owner, text, caption, flags);
}
