#include "host/ExclList.h"

#include "host/Interface.h"

void ExclList::Remove(int i) {
    if (i >= 0 && i < Count()) nodes_.erase(nodes_.begin() + i);
}

int ExclList::FindNode(INode* node) const {
    for (int i = 0; i < Count(); ++i)
        if (nodes_[static_cast<size_t>(i)] == node) return i;
    return -1;
}

ExclusionDialogService& ExclusionDialogService::Get() {
    static ExclusionDialogService service;
    return service;
}

void ExclusionDialogService::ScriptOk(std::vector<INode*> nodes, bool include) {
    answers_.push_back(Answer{std::move(nodes), include});
}

void ExclusionDialogService::ScriptCancel() { answers_.push_back(std::nullopt); }

BOOL ExclusionDialogService::Run(ExclList& list) {
    std::vector<INode*> given;
    for (int i = 0; i < list.Count(); ++i) given.push_back(list[i]);
    shown_.push_back(std::move(given));
    if (answers_.empty()) return FALSE;
    std::optional<Answer> answer = std::move(answers_.front());
    answers_.pop_front();
    if (!answer) return FALSE;
    list.RemoveAll();
    for (INode* n : answer->nodes) list.Append(n);
    list.SetFlag(NT_INCLUDE, answer->include);
    return TRUE;
}

BOOL Interface::DoExclusionListDialog(ExclList* list, BOOL) {
    return list ? ExclusionDialogService::Get().Run(*list) : FALSE;
}
