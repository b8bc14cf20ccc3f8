// Deep copies for the rules window, which edits a rule only through a copy so that Cancel
// leaves the script untouched. A copy is all or nothing: when memory runs out halfway, what
// was copied is freed and the caller gets null, with the source unchanged.
#include "velcore/rules/SieveTree.h"

namespace velor::rules {
namespace {

// Copies a whole test list (following `next`); false when memory ran out.
bool CopyTestList(const SieveTest* source, SieveTest** out) {
    *out = nullptr;
    SieveTest** tail = out;
    for (; source != nullptr; source = source->next) {
        SieveTest* copy = CopyTest(source);
        if (copy == nullptr) {
            FreeTestList(*out);
            *out = nullptr;
            return false;
        }
        *tail = copy;
        tail = &copy->next;
    }
    return true;
}

// Copies a block with every member, giving the members their new enclosing command.
bool CopyBlock(const SieveCommand* source, SieveCommand* newParent, SieveCommand** out) {
    *out = nullptr;
    SieveCommand** tail = out;
    for (; source != nullptr; source = source->next) {
        SieveCommand* copy = CopyCommand(source, true);
        if (copy == nullptr) {
            FreeCommandList(*out);
            *out = nullptr;
            return false;
        }
        copy->parent = newParent;
        *tail = copy;
        tail = &copy->next;
    }
    return true;
}

}  // namespace

SieveStringList* CopyStringList(const SieveStringList* source) {
    SieveStringList* head = nullptr;
    SieveStringList** tail = &head;
    for (; source != nullptr; source = source->next) {
        SieveStringList* copy = NewStringItem(source->text != nullptr ? source->text : "");
        if (copy == nullptr) {
            FreeStringList(head);
            return nullptr;
        }
        *tail = copy;
        tail = &copy->next;
    }
    return head;
}

SieveTest* CopyTest(const SieveTest* source) {
    if (source == nullptr) {
        return nullptr;
    }
    SieveTest* copy = NewTest(source->kind);
    if (copy == nullptr) {
        return nullptr;
    }
    *copy = *source;
    copy->headers = nullptr;
    copy->keys = nullptr;
    copy->children = nullptr;
    copy->next = nullptr;
    bool complete = (source->headers == nullptr ||
                     (copy->headers = CopyStringList(source->headers)) != nullptr) &&
                    (source->keys == nullptr ||
                     (copy->keys = CopyStringList(source->keys)) != nullptr) &&
                    CopyTestList(source->children, &copy->children);
    if (!complete) {
        FreeTestList(copy);
        return nullptr;
    }
    return copy;
}

SieveCommand* CopyCommand(const SieveCommand* source, bool deep) {
    if (source == nullptr) {
        return nullptr;
    }
    SieveCommand* copy = NewCommand(source->kind);
    if (copy == nullptr) {
        return nullptr;
    }
    *copy = *source;
    // The byte copy still points at the source's lists and neighbour; a copy that shared
    // them would be freed twice, so it owns nothing until its own lists are made.
    copy->test = nullptr;
    copy->thenBlock = nullptr;
    copy->elseBlock = nullptr;
    copy->next = nullptr;
    if (!deep) {
        return copy;
    }
    bool complete = (source->test == nullptr ||
                     (copy->test = CopyTest(source->test)) != nullptr) &&
                    CopyBlock(source->thenBlock, copy, &copy->thenBlock) &&
                    CopyBlock(source->elseBlock, copy, &copy->elseBlock);
    if (!complete) {
        FreeCommandList(copy);
        return nullptr;
    }
    return copy;
}

}  // namespace velor::rules
