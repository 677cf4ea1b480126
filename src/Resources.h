// The library's string and dialog resources, referred to by number. Each
// class folder registers its own table; numbers are unique library-wide
// (class folders keep to their own thousand: see docs/architecture.md).
#pragma once

#include <initializer_list>
#include <vector>

#include "host/Types.h"

namespace Nimbal {

struct StringResource {
    int id;
    const char* text;  // UTF-8
};

// A control of a dialog template: its id, kind and caption.
struct ControlResource {
    int id;
    const char* kind;  // "spinner", "check", "radio", "color", "combo", "button", "map", "node", "label", ...
    const char* text;
};

struct DialogResource {
    int id;
    const char* title;
    std::vector<ControlResource> controls;
};

// Registers a table at static construction; duplicates are a programming error.
class StringTable {
public:
    StringTable(std::initializer_list<StringResource> strings);
};

class DialogTable {
public:
    DialogTable(std::initializer_list<DialogResource> dialogs);
};

// The text of a string resource, or null when there is none.
const char* findResourceString(int id);
// Wide form for the host; empty when unknown.
MSTR getResourceString(int id);
const DialogResource* findDialogResource(int id);
// Every registered id; for checks of uniqueness and completeness.
std::vector<int> allStringIds();
std::vector<int> allDialogIds();

}  // namespace Nimbal
