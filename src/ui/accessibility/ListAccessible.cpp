#include "ui/accessibility/ListAccessible.h"

#include "ui/accessibility/ComObject.h"
#include "ui/accessibility/ListAccessibleObject.h"
#include "ui/accessibility/ListAutomation.h"
#include "ui/accessibility/ReaderLibraries.h"

namespace tavrelonim::ui {

ListAccessibility::ListAccessibility(HWND list, HWND label, const int& markedRow) noexcept
    : list_(list, label, markedRow) {}

ListAccessibility::~ListAccessibility() {
    Detach();
    // Out of any message now: what the list's end could not cut off is cut off here.
    if (automation_ != nullptr) {
        automation_->Disconnect();
        automation_.reset();
    }
    libraries_.reset();
}

LRESULT ListAccessibility::AnswerGetObject(WPARAM wParam, LPARAM lParam) noexcept {
    // The object id comes as a 32-bit value, sign and all, whatever the width of lParam.
    const auto objectId = static_cast<LONG>(static_cast<DWORD>(lParam));
    if (!attached_ || (objectId != OBJID_CLIENT && objectId != uia::kRootObjectId)) {
        return 0;
    }
    try {
        if (libraries_ == nullptr) {
            libraries_ = std::make_unique<ReaderLibraries>();
        }
        const ReaderFunctions& functions = libraries_->Functions();
        if (objectId == uia::kRootObjectId) {
            if (!libraries_->Automation()) {
                return 0;
            }
            if (automation_ == nullptr) {
                automation_ = std::make_unique<ListAutomation>(list_, functions);
            }
            return functions.uiaReturnRawElementProvider(list_.Window(), wParam, lParam, automation_->Root());
        }
        if (!libraries_->Accessibility()) {
            return 0;
        }
        if (object_ == nullptr) {
            object_ = MakeListAccessible(list_, functions);
        }
        const LRESULT answer = functions.lresultFromObject(kIidIAccessible, wParam, object_);
        return answer > 0 ? answer : 0;
    } catch (...) {
        return 0;
    }
}

// A plain window-procedure subclass: the system's subclass helper looks its data up in a window
// property on every message, which costs a server round trip a message under Wine, on a list that
// takes thousands of them at start.
void ListAccessibility::Install() noexcept {
    const HWND list = list_.Window();
    ::SetWindowLongPtrW(list, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    listProcedure_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ListAccessibility::ListProcedure)));
}

LRESULT CALLBACK ListAccessibility::ListProcedure(HWND list, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    auto& self = *reinterpret_cast<ListAccessibility*>(::GetWindowLongPtrW(list, GWLP_USERDATA));
    const WNDPROC next = self.listProcedure_;
    switch (message) {
        case WM_GETOBJECT:
            if (const LRESULT answer = self.AnswerGetObject(wParam, lParam); answer != 0) {
                return answer;
            }
            break;
        case ListAutomation::kCallMessage:
            return self.automation_ != nullptr ? self.automation_->RunCall(wParam) : uia::kElementNotAvailable;
        case WM_DESTROY:
            // The automation core lets go of the list's provider while the window still exists.
            if (self.automation_ != nullptr) {
                self.libraries_->Functions().uiaReturnRawElementProvider(list, 0, 0, nullptr);
            }
            break;
        case WM_NCDESTROY:
            self.Detach();
            ::SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(next));
            return ::CallWindowProcW(next, list, message, wParam, lParam);
        default:
            break;
    }
    const LRESULT result = ::CallWindowProcW(next, list, message, wParam, lParam);
    self.Observe(message);
    return result;
}

void ListAccessibility::Observe(UINT message) noexcept {
    if (automation_ == nullptr) {
        return;
    }
    switch (message) {
        case LB_RESETCONTENT:
        case LB_ADDSTRING:
        case LB_INSERTSTRING:
        case LB_DELETESTRING:
            automation_->RowsRebuilt();
            break;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_KEYDOWN:
        case WM_CHAR:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_MOUSEMOVE:
        case LB_SETCURSEL:
        case LB_SETCARETINDEX:
            automation_->Observe();
            break;
        default:
            break;
    }
}

void ListAccessibility::MarkMoved(int fromRow, int toRow) const noexcept {
    if (!attached_) {
        return;
    }
    const HWND list = list_.Window();
    for (const int row : {fromRow, toRow}) {
        if (row >= 0) {
            ::NotifyWinEvent(EVENT_OBJECT_STATECHANGE, list, OBJID_CLIENT, row + 1);
            ::NotifyWinEvent(EVENT_OBJECT_DESCRIPTIONCHANGE, list, OBJID_CLIENT, row + 1);
        }
    }
    if (automation_ != nullptr) {
        automation_->MarkMoved(fromRow, toRow);
    }
}

void ListAccessibility::Detach() noexcept {
    attached_ = false;
    if (object_ != nullptr) {
        object_->Detach();
        // Clients in other processes hold proxies: cut them off, so that their calls fail there.
        libraries_->Functions().coDisconnectObject(object_, 0);
        object_->Release();
        object_ = nullptr;
    }
    if (automation_ != nullptr) {
        automation_->Detach();
        if (!automation_->Disconnected()) {
            return;  // the core is still to be told, with the reader's libraries, once it may be
        }
        automation_.reset();
    }
    libraries_.reset();
}

}  // namespace tavrelonim::ui
