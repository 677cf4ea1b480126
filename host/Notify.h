// Broadcast notifications (units changed, file opened, scene reset, ...).
#pragma once

#include "host/Types.h"

constexpr int NOTIFY_UNITS_CHANGE = 0x00000001;
constexpr int NOTIFY_TIMEUNITS_CHANGE = 0x00000002;
constexpr int NOTIFY_SYSTEM_PRE_RESET = 0x00000005;
constexpr int NOTIFY_SYSTEM_POST_RESET = 0x00000006;
constexpr int NOTIFY_FILE_PRE_OPEN = 0x00000009;
constexpr int NOTIFY_FILE_POST_OPEN = 0x0000000A;
constexpr int NOTIFY_FILE_PRE_SAVE = 0x0000000B;
constexpr int NOTIFY_FILE_POST_SAVE = 0x0000000C;
constexpr int NOTIFY_TIME_CHANGED = 0x00000030;

struct NotifyInfo {
    int intcode;
    void* callParam;
};

using NOTIFYPROC = void (*)(void* param, NotifyInfo* info);

int RegisterNotification(NOTIFYPROC proc, void* param, int code);
int UnRegisterNotification(NOTIFYPROC proc, void* param, int code);
void BroadcastNotification(int code, void* callParam = nullptr);
