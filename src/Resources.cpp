#include "Resources.h"

#include <algorithm>
#include <map>

#include "core-interface/Exception.h"

namespace Nimbal {
namespace {
std::map<int, const char*>& strings() {
    static std::map<int, const char*> table;
    return table;
}

std::map<int, DialogResource>& dialogs() {
    static std::map<int, DialogResource> table;
    return table;
}
}  // namespace

StringTable::StringTable(std::initializer_list<StringResource> list) {
    for (const StringResource& s : list) {
        if (!strings().emplace(s.id, s.text).second) NIMBAL_STOP();
    }
}

DialogTable::DialogTable(std::initializer_list<DialogResource> list) {
    for (const DialogResource& d : list) {
        if (!dialogs().emplace(d.id, d).second) NIMBAL_STOP();
    }
}

const char* findResourceString(int id) {
    auto it = strings().find(id);
    return it == strings().end() ? nullptr : it->second;
}

MSTR getResourceString(int id) {
    const char* s = findResourceString(id);
    return s ? FromUtf8(s) : MSTR();
}

const DialogResource* findDialogResource(int id) {
    auto it = dialogs().find(id);
    return it == dialogs().end() ? nullptr : &it->second;
}

std::vector<int> allStringIds() {
    std::vector<int> ids;
    for (const auto& [id, text] : strings()) ids.push_back(id);
    return ids;
}

std::vector<int> allDialogIds() {
    std::vector<int> ids;
    for (const auto& [id, d] : dialogs()) ids.push_back(id);
    return ids;
}

}  // namespace Nimbal
