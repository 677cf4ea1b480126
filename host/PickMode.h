// Picking a scene node in a viewport. A plug-in installs a callback with
// Interface::SetPickMode; the next node the user clicks goes to it. This host
// has no mouse: Interface::PickNode stands for the click (tests, the
// command-line tool).
#pragma once

#include "host/Types.h"

class INode;
class Interface;

class PickModeCallback {
public:
    virtual ~PickModeCallback() = default;
    // Whether the node may be picked at all; a refused node leaves the mode on.
    virtual BOOL Filter(INode*) { return TRUE; }
    // The user picked the node; TRUE ends the mode.
    virtual BOOL Pick(Interface* ip, INode* node) = 0;
    virtual void EnterMode(Interface*) {}
    virtual void ExitMode(Interface*) {}
};
