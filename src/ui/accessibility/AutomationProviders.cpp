#include "ui/accessibility/AutomationProviders.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace tavrelonim::ui {

namespace {

// A client's coordinate in whole screen pixels, held to what a pixel coordinate can be; none for
// one that is no number.
std::optional<long> ScreenCoordinate(double value) noexcept {
    if (std::isnan(value)) {
        return std::nullopt;
    }
    constexpr auto kLeast = static_cast<double>(std::numeric_limits<LONG>::min());
    constexpr auto kMost = static_cast<double>(std::numeric_limits<LONG>::max());
    return static_cast<long>(std::clamp(value, kLeast, kMost));
}

}  // namespace

ItemProvider* AutomationState::Item(long row) {
    if (list == nullptr || row < 0 || row >= list->Rows()) {
        return nullptr;
    }
    if (items.size() <= static_cast<std::size_t>(row)) {
        items.resize(static_cast<std::size_t>(row) + 1, nullptr);
    }
    ItemProvider*& item = items[static_cast<std::size_t>(row)];
    if (item == nullptr) {
        item = std::make_unique<ItemProvider>(shared_from_this(), row).release();
    }
    return item;
}

HRESULT RootProvider::Navigate(NavigateDirection direction, IRawElementProviderFragment** to) noexcept {
    return Answer(*state_, to, [&] {
        IRawElementProviderFragment* next = nullptr;
        if (direction == NavigateDirection_FirstChild) {
            next = state_->Item(0);
        } else if (direction == NavigateDirection_LastChild) {
            next = state_->Item(state_->list->Rows() - 1);
        }  // the list's parent and siblings are its host window's to tell
        return next != nullptr ? HandOut<IRawElementProviderFragment>(next, reinterpret_cast<void**>(to)) : S_OK;
    });
}

HRESULT RootProvider::ElementProviderFromPoint(double x, double y, IRawElementProviderFragment** found) noexcept {
    return Answer(*state_, found, [&] {
        const std::optional<long> left = ScreenCoordinate(x);
        const std::optional<long> top = ScreenCoordinate(y);
        if (!left || !top) {
            return S_OK;  // no point at all: nothing of the list's is there
        }
        const RowGeometry geometry = state_->list->Geometry();
        const long row = RowAtPoint(geometry, *left, *top);
        IRawElementProviderFragment* element = state_->Item(row);
        if (element == nullptr && BoxContains(geometry.client, *left, *top)) {
            element = this;  // inside the list, below its last row
        }
        return element != nullptr ? HandOut<IRawElementProviderFragment>(element, reinterpret_cast<void**>(found))
                                  : S_OK;
    });
}

HRESULT RootProvider::GetFocus(IRawElementProviderFragment** focused) noexcept {
    return Answer(*state_, focused, [&] {
        const AccessibleList& list = *state_->list;
        ItemProvider* item = list.HasFocus() ? state_->Item(list.CaretRow()) : nullptr;
        return item != nullptr ? HandOut<IRawElementProviderFragment>(item, reinterpret_cast<void**>(focused)) : S_OK;
    });
}

HRESULT RootProvider::GetSelection(SAFEARRAY** selection) noexcept {
    return Answer(*state_, selection, [&] {
        ItemProvider* selected = state_->Item(state_->list->SelectedRow());
        const ReaderFunctions& functions = *state_->functions;
        SAFEARRAY* array = functions.safeArrayCreateVector(VT_UNKNOWN, 0, selected != nullptr ? 1 : 0);
        if (array == nullptr) {
            return E_OUTOFMEMORY;
        }
        LONG index = 0;
        if (selected != nullptr &&
            FAILED(functions.safeArrayPutElement(array, &index, static_cast<IRawElementProviderSimple*>(selected)))) {
            functions.safeArrayDestroy(array);  // never a half-filled selection handed out
            return E_OUTOFMEMORY;
        }
        *selection = array;
        return S_OK;
    });
}

ListAutomation::ListAutomation(AccessibleList& list, const ReaderFunctions& functions, UINT callMilliseconds)
    : state_(std::make_shared<AutomationState>(list, functions, callMilliseconds)) {}

ListAutomation::~ListAutomation() {
    Detach();
    Disconnect();  // at the latest now, whatever message this thread answers
}

}  // namespace tavrelonim::ui
