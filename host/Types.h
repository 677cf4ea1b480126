// Basic types of the host SDK: integers, text, time, identifiers and the
// message codes of the reference system.
#pragma once

#include <climits>
#include <cstdint>
#include <string>
#include <string_view>

using DWORD = uint32_t;
using ULONG = uint32_t;
using UINT = unsigned int;
using USHORT = uint16_t;
using WORD = uint16_t;
using BYTE = uint8_t;
using BOOL = int;
using INT_PTR = intptr_t;
using UINT_PTR = uintptr_t;
using ULONG_PTR = uintptr_t;
using LONG_PTR = intptr_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using HRESULT = long;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

// Host text is 16-bit wide text.
using MCHAR = char16_t;
using MSTR = std::u16string;
using TSTR = MSTR;
#define _M(x) u##x

std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

// Time: signed ticks, 4800 per second.
using TimeValue = int;
constexpr int TIME_TICKSPERSEC = 4800;
constexpr TimeValue TIME_NegInfinity = INT_MIN;
constexpr TimeValue TIME_PosInfinity = INT_MAX;
int GetTicksPerFrame();
void SetTicksPerFrame(int ticks);

class Interval {
public:
    constexpr Interval(TimeValue s, TimeValue e) : start(s), end(e) {}
    constexpr Interval() : start(TIME_NegInfinity), end(TIME_NegInfinity) {}

    void SetInfinite() { start = TIME_NegInfinity; end = TIME_PosInfinity; }
    void SetEmpty() { start = end = TIME_NegInfinity; }
    void SetInstant(TimeValue t) { start = end = t; }
    void Set(TimeValue s, TimeValue e) { start = s; end = e; }
    void SetStart(TimeValue s) { start = s; }
    void SetEnd(TimeValue e) { end = e; }
    TimeValue Start() const { return start; }
    TimeValue End() const { return end; }
    bool Empty() const { return start == TIME_NegInfinity && end == TIME_NegInfinity; }
    bool IsInfinite() const { return start == TIME_NegInfinity && end == TIME_PosInfinity; }
    bool InInterval(TimeValue t) const { return !Empty() && t >= start && t <= end; }
    Interval& operator&=(const Interval& o) {
        if (Empty() || o.Empty()) { SetEmpty(); return *this; }
        start = start > o.start ? start : o.start;
        end = end < o.end ? end : o.end;
        if (start > end) SetEmpty();
        return *this;
    }
    Interval operator&(const Interval& o) const { Interval r = *this; r &= o; return r; }
    bool operator==(const Interval& o) const { return start == o.start && end == o.end; }
    bool operator!=(const Interval& o) const { return !(*this == o); }

private:
    TimeValue start, end;
};

#define FOREVER Interval(TIME_NegInfinity, TIME_PosInfinity)
#define NEVER Interval(TIME_NegInfinity, TIME_NegInfinity)

class Class_ID {
public:
    constexpr Class_ID() : a(0xFFFFFFFF), b(0xFFFFFFFF) {}
    constexpr Class_ID(ULONG aa, ULONG bb) : a(aa), b(bb) {}
    constexpr ULONG PartA() const { return a; }
    constexpr ULONG PartB() const { return b; }
    constexpr bool operator==(const Class_ID& o) const { return a == o.a && b == o.b; }
    constexpr bool operator!=(const Class_ID& o) const { return !(*this == o); }
    constexpr bool operator<(const Class_ID& o) const { return a < o.a || (a == o.a && b < o.b); }

private:
    ULONG a, b;
};

class Interface_ID {
public:
    constexpr Interface_ID() : a(0), b(0) {}
    constexpr Interface_ID(ULONG aa, ULONG bb) : a(aa), b(bb) {}
    constexpr ULONG PartA() const { return a; }
    constexpr ULONG PartB() const { return b; }
    constexpr bool operator==(const Interface_ID& o) const { return a == o.a && b == o.b; }
    constexpr bool operator!=(const Interface_ID& o) const { return !(*this == o); }

private:
    ULONG a, b;
};

using SClass_ID = ULONG;
constexpr SClass_ID GEN_DERIVOB_CLASS_ID = 0x0002;
constexpr SClass_ID BASENODE_CLASS_ID = 0x0001;
constexpr SClass_ID GEOMOBJECT_CLASS_ID = 0x0010;
constexpr SClass_ID CAMERA_CLASS_ID = 0x0020;
constexpr SClass_ID LIGHT_CLASS_ID = 0x0030;
constexpr SClass_ID SHAPE_CLASS_ID = 0x0040;
constexpr SClass_ID HELPER_CLASS_ID = 0x0050;
constexpr SClass_ID PARAMETER_BLOCK2_CLASS_ID = 0x0082;
constexpr SClass_ID REF_TARGET_CLASS_ID = 0x0300;
constexpr SClass_ID OSM_CLASS_ID = 0x0810;
constexpr SClass_ID RENDERER_CLASS_ID = 0x0900;
constexpr SClass_ID MATERIAL_CLASS_ID = 0x0C00;
constexpr SClass_ID TEXMAP_CLASS_ID = 0x0C10;
constexpr SClass_ID UVGEN_CLASS_ID = 0x0C20;
constexpr SClass_ID SHADOW_TYPE_CLASS_ID = 0x10D0;
constexpr SClass_ID SCENE_CLASS_ID = 0x0F00;

// Built-in host classes.
constexpr Class_ID TRIOBJ_CLASS_ID(0x0009, 0);
constexpr Class_ID DUMMY_CLASS_ID(0x876234, 0);
constexpr Class_ID TARGET_CLASS_ID(0x1020, 0);
constexpr Class_ID BMTEX_CLASS_ID(0x0240, 0);
constexpr Class_ID UVGEN_CLASS_ID_2D(0x0100, 0);
constexpr Class_ID NODE_CLASS_ID(0x0001, 0);
constexpr Class_ID PBLOCK2_CLASS_ID(0x0082, 0);

// Reference system.
using PartID = ULONG;
using RefMessage = unsigned int;
using ParamID = short;
using BlockID = short;
using MapID = short;

constexpr PartID PART_TOPO = 0x0001;
constexpr PartID PART_GEOM = 0x0002;
constexpr PartID PART_TEXMAP = 0x0004;
constexpr PartID PART_MTL = 0x0008;
constexpr PartID PART_DISPLAY = 0x0080;
constexpr PartID PART_TM = 0x0400;
constexpr PartID PART_ALL = 0x800037FF;

constexpr RefMessage REFMSG_TARGET_DELETED = 0x00000020;
constexpr RefMessage REFMSG_MODAPP_DELETING = 0x00000021;
constexpr RefMessage REFMSG_CHANGE = 0x00000050;
constexpr RefMessage REFMSG_NODE_NAMECHANGE = 0x000000F2;
constexpr RefMessage REFMSG_SUBANIM_STRUCTURE_CHANGED = 0x0000010B;
constexpr RefMessage REFMSG_REF_DELETED = 0x0000010C;
constexpr RefMessage REFMSG_REF_ADDED = 0x0000010D;
constexpr RefMessage REFMSG_NODE_MATERIAL_CHANGED = 0x00000116;

constexpr SClass_ID NOTIFY_ALL = 0xFFFFFFF0;

enum RefResult { REF_FAIL = 0, REF_SUCCEED = 1, REF_DONTCARE = 2, REF_STOP = 3, REF_INVALID = 4 };

enum IOResult { IO_OK = 0, IO_END = 1, IO_ERROR = 2 };

// Host release number reported to plug-ins.
constexpr DWORD MAX_RELEASE = 18000;
constexpr DWORD MAX_API_NUM = 46;
constexpr DWORD MAX_SDK_REV = 0;
constexpr DWORD MAX_VERSION = (MAX_RELEASE << 16) | (MAX_API_NUM << 8) | MAX_SDK_REV;
DWORD Get3DSMAXVersion();

// Texture-map categories, as the host exports them.
extern const MCHAR TEXMAP_CAT_2D[];
extern const MCHAR TEXMAP_CAT_3D[];
extern const MCHAR TEXMAP_CAT_COMP[];
extern const MCHAR TEXMAP_CAT_COLMOD[];
extern const MCHAR TEXMAP_CAT_ENV[];
