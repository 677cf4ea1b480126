// Include/exclude lists of nodes and the host's dialog that edits them. The
// dialog goes through a replaceable answer queue, like the message boxes of
// host/Win.h: it records what it was shown and answers as scripted, or
// cancels when nothing is scripted (the command-line tool, quiet mode).
#pragma once

#include <deque>
#include <optional>
#include <utility>
#include <vector>

#include "host/Types.h"

class INode;

// Flags of an include/exclude list.
constexpr ULONG NT_INCLUDE = 0x0001;
constexpr ULONG NT_AFFECT_ILLUM = 0x0002;
constexpr ULONG NT_AFFECT_SHADOWCAST = 0x0004;

class ExclList {
public:
    int Count() const { return static_cast<int>(nodes_.size()); }
    INode* operator[](int i) const { return i >= 0 && i < Count() ? nodes_[static_cast<size_t>(i)] : nullptr; }
    void Append(INode* node) { nodes_.push_back(node); }
    void Remove(int i) {
        if (i >= 0 && i < Count()) nodes_.erase(nodes_.begin() + i);
    }
    void RemoveAll() { nodes_.clear(); }
    // The index of the node, or -1.
    int FindNode(INode* node) const {
        for (int i = 0; i < Count(); ++i)
            if (nodes_[static_cast<size_t>(i)] == node) return i;
        return -1;
    }
    void SetFlag(ULONG flag, BOOL on = TRUE) { flags_ = on ? (flags_ | flag) : (flags_ & ~flag); }
    BOOL TestFlag(ULONG flag) const { return (flags_ & flag) != 0; }

private:
    std::vector<INode*> nodes_;
    ULONG flags_ = 0;
};

// The answers the include/exclude dialog gives, and what it was shown.
// Inline, so that a loaded plug-in module finds it whatever the executable
// links (docs/architecture.md).
class ExclusionDialogService {
public:
    static ExclusionDialogService& Get() {
        static ExclusionDialogService service;
        return service;
    }

    // The next dialog answers OK with this list (and include flag).
    void ScriptOk(std::vector<INode*> nodes, bool include = false) {
        answers_.push_back(Answer{std::move(nodes), include});
    }
    void ScriptCancel() { answers_.push_back(std::nullopt); }
    // The lists the dialog was opened with, in order.
    const std::vector<std::vector<INode*>>& Shown() const { return shown_; }
    void Clear() { answers_.clear(); shown_.clear(); }

    // What Interface::DoExclusionListDialog runs.
    BOOL Run(ExclList& list) {
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

private:
    struct Answer {
        std::vector<INode*> nodes;
        bool include;
    };
    std::deque<std::optional<Answer>> answers_;
    std::vector<std::vector<INode*>> shown_;
};
