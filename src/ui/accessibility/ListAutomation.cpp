#include "ui/accessibility/ListAutomation.h"

#include "ui/accessibility/AutomationProviders.h"

namespace tavrelonim::ui {

using automation::ItemStatusOf;
using automation::String;

IRawElementProviderSimple* ListAutomation::Root() {
    if (state_->list == nullptr) {
        return nullptr;
    }
    if (state_->root == nullptr) {
        state_->root = std::make_unique<RootProvider>(state_).release();
        const AccessibleList& list = *state_->list;
        seenSelection_ = list.SelectedRow();
        seenCaret_ = list.CaretRow();
        seenFocus_ = list.HasFocus();
    }
    return state_->root;
}

void ListAutomation::MarkMoved(long fromRow, long toRow) const noexcept {
    const ReaderFunctions& functions = *state_->functions;
    if (state_->root == nullptr || state_->list == nullptr || functions.uiaClientsAreListening() == FALSE) {
        return;
    }
    for (const long row : {fromRow, toRow}) {
        ItemProvider* item = nullptr;
        try {
            item = state_->Item(row);
        } catch (...) {
            continue;  // no memory for the row's provider: no client can hold it, nor miss its event
        }
        if (item == nullptr) {
            continue;
        }
        // oleaut32 is the reader's to load: never imported, so that a start without one costs none.
        VARIANT before{};
        VARIANT after{};
        if (SUCCEEDED(String(functions, ItemStatusOf(row == fromRow), &before)) &&
            SUCCEEDED(String(functions, ItemStatusOf(row == toRow), &after))) {
            functions.uiaRaisePropertyChangedEvent(item, uia::kItemStatusProperty, before, after);
        }
        functions.sysFreeString(before.bstrVal);
        functions.sysFreeString(after.bstrVal);
    }
}

void ListAutomation::Observe() noexcept {
    if (state_->root == nullptr || state_->list == nullptr) {
        return;
    }
    const AccessibleList& list = *state_->list;
    const long selection = list.SelectedRow();
    const long caret = list.CaretRow();
    const bool focus = list.HasFocus();
    const bool selectionMoved = selection != seenSelection_;
    const bool focusMoved = focus && (!seenFocus_ || caret != seenCaret_);
    seenSelection_ = selection;
    seenCaret_ = caret;
    seenFocus_ = focus;
    const ReaderFunctions& functions = *state_->functions;
    if ((!selectionMoved && !focusMoved) || functions.uiaClientsAreListening() == FALSE) {
        return;
    }
    try {
        if (selectionMoved) {
            if (ItemProvider* item = state_->Item(selection); item != nullptr) {
                functions.uiaRaiseAutomationEvent(item, uia::kElementSelectedEvent);
            }
        }
        if (focusMoved) {
            ItemProvider* item = state_->Item(caret);
            functions.uiaRaiseAutomationEvent(
                item != nullptr ? static_cast<IRawElementProviderSimple*>(item) : state_->root,
                uia::kFocusChangedEvent);
        }
    } catch (...) {
        // No memory for a row's provider: the event is lost, the list is not.
    }
}

void ListAutomation::RowsRebuilt() noexcept {
    if (state_->root == nullptr || state_->list == nullptr) {
        return;
    }
    // The rows' providers name rows that may be other printers now: clients must ask again.
    for (ItemProvider*& item : state_->items) {
        if (item != nullptr) {
            Leave(item);
            item = nullptr;
        }
    }
    if (::InSendMessage() == FALSE) {
        Disconnect();
    }
    if (state_->functions->uiaClientsAreListening() != FALSE) {
        state_->functions->uiaRaiseStructureChangedEvent(state_->root, uia::kChildrenInvalidated, nullptr, 0);
    }
}

void ListAutomation::Detach() noexcept {
    if (state_->list != nullptr) {
        state_->list = nullptr;  // every provider answers that its element is gone from here on
        for (ItemProvider* item : state_->items) {
            if (item != nullptr) {
                Leave(item);
            }
        }
        state_->items.clear();
        if (state_->root != nullptr) {
            Leave(state_->root);
            state_->root = nullptr;
        }
    }
    // The core cannot be called out to while this thread answers a message sent from another
    // (the window closed by another program): the providers are cut off once it may be.
    if (::InSendMessage() == FALSE) {
        Disconnect();
    }
}

void ListAutomation::Leave(IRawElementProviderSimple* provider) noexcept {
    try {
        leaving_.push_back(provider);
    } catch (...) {
        state_->LetGo(provider);  // no room to keep it for later: cut off now, as well as may be
    }
}

void ListAutomation::Disconnect() noexcept {
    for (IRawElementProviderSimple* provider : leaving_) {
        state_->LetGo(provider);
    }
    leaving_.clear();
    if (state_->list == nullptr) {
        state_->disconnected = true;
    }
}

bool ListAutomation::Disconnected() const noexcept { return state_->disconnected.load(); }

LRESULT ListAutomation::RunCall(WPARAM cookie) noexcept { return state_->RunPending(cookie); }

}  // namespace tavrelonim::ui
