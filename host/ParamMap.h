// Generated parameter user interface: one parameter map per rollout, built
// from the block descriptor, with the class's dialog procedure attached.
#pragma once

#include <vector>

#include "host/ParamBlock.h"
#include "host/Win.h"

class IParamMap2;
class ClassDesc2;

class ParamMap2UserDlgProc {
public:
    virtual ~ParamMap2UserDlgProc() = default;
    virtual INT_PTR DlgProc(TimeValue t, IParamMap2* map, HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) = 0;
    virtual void DeleteThis() {}
    virtual void SetThing(ReferenceTarget*) {}
    virtual void Update(TimeValue) {}
};

class IParamMap2 {
public:
    IParamMap2(IParamBlock2* pb, const RolloutDesc& rollout, ClassDesc2* cd);
    ~IParamMap2();
    IParamMap2(const IParamMap2&) = delete;
    IParamMap2& operator=(const IParamMap2&) = delete;

    HWND GetHWnd() { return &window_; }
    IParamBlock2* GetParamBlock() { return pb_; }
    MapID GetMapID() const { return rollout_.mapId; }
    int DialogId() const { return rollout_.dialogId; }
    int TitleId() const { return rollout_.titleId; }
    bool IsClosed() const { return (rollout_.flags & APPENDROLL_CLOSED) != 0; }

    // Enables, shows or labels every control of a parameter.
    void Enable(ParamID id, BOOL onOff, int tabIndex = 0);
    void Show(ParamID id, BOOL showHide, int tabIndex = 0);
    void SetText(ParamID id, const MCHAR* text, int tabIndex = 0);
    BOOL IsEnabled(ParamID id);
    BOOL IsShown(ParamID id);

    // Marks the controls of a parameter (or all, for -1) out of date and
    // redraws them, as the host does after a change.
    void Invalidate(ParamID id = -1);
    int InvalidationCount() const { return invalidations_; }

    void SetUserDlgProc(ParamMap2UserDlgProc* proc) { proc_ = proc; }
    ParamMap2UserDlgProc* GetUserDlgProc() { return proc_; }
    void SetThing(ReferenceTarget* thing);

    // Delivers a message to the dialog procedure, as the window would.
    INT_PTR Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
    void DetachBlock() { pb_ = nullptr; }

private:
    std::vector<HWND> ControlsOf(ParamID id);

    IParamBlock2* pb_;
    RolloutDesc rollout_;
    ParamMap2UserDlgProc* proc_;
    HostWindow window_;
    int invalidations_ = 0;
};

// The automatic material/map parameter dialog: the maps of an object's
// blocks, built and torn down together.
class IAutoMParamDlg {
public:
    explicit IAutoMParamDlg(std::vector<IParamMap2*> maps) : maps_(std::move(maps)) {}
    ~IAutoMParamDlg();
    int NumMaps() const { return static_cast<int>(maps_.size()); }
    IParamMap2* GetMap(int i) { return maps_.at(i); }
    void DeleteThis() { delete this; }

private:
    std::vector<IParamMap2*> maps_;
};

class IMtlParams {
public:
    virtual ~IMtlParams() = default;
};

IParamMap2* CreateRollupParamMap(IParamBlock2* pb, const RolloutDesc& rollout, ClassDesc2* cd);
void DestroyParamMap2(IParamMap2* map);
