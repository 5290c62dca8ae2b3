#include "ui/accessibility/ListAccessibleObject.h"

#include <memory>
#include <string>

#include "ui/accessibility/ComObject.h"
#include "ui/layout/ControlTable.h"

namespace tavrelonim::ui {

static_assert(kStateSelected == STATE_SYSTEM_SELECTED && kStateFocused == STATE_SYSTEM_FOCUSED);
static_assert(kStateChecked == STATE_SYSTEM_CHECKED && kStateOffscreen == STATE_SYSTEM_OFFSCREEN);
static_assert(kStateFocusable == STATE_SYSTEM_FOCUSABLE && kStateSelectable == STATE_SYSTEM_SELECTABLE);

namespace {

// The default action's name is Command1's, as the user reads it: without the access-key mark.
std::wstring DefaultActionName() {
    for (const ControlEntry& entry : kControls) {
        if (entry.id == ControlId::Command1) {
            std::wstring name;
            for (const wchar_t* c = entry.caption; *c != L'\0'; ++c) {
                if (*c != L'&') {
                    name += *c;
                }
            }
            return name;
        }
    }
    return {};
}

void Clear(VARIANT& value) noexcept { value.vt = VT_EMPTY; }
void Clear(BSTR& value) noexcept { value = nullptr; }
void Clear(IDispatch*& value) noexcept { value = nullptr; }
void Clear(long& value) noexcept { value = 0; }

HRESULT Number(long value, VARIANT* out) noexcept {
    out->vt = VT_I4;
    out->lVal = value;
    return S_OK;
}

constexpr long kSelectionFlagsOfThisList = SELFLAG_TAKEFOCUS | SELFLAG_TAKESELECTION;

}  // namespace

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif
class ListAccessible final : public DetachableAccessible, public ComReferences<ListAccessible> {
public:
    ListAccessible(AccessibleList& list, const ReaderFunctions& functions) noexcept
        : list_(&list), functions_(functions) {}

    void Detach() noexcept override { list_ = nullptr; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) noexcept override {
        return QueryAmong(this, id, object, Offered<IAccessible>{kIidIDispatch}, Offered<IAccessible>{kIidIAccessible});
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return AddReference(); }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return ReleaseReference(); }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) noexcept override {
        return Answer(parent, [&] {
            return functions_.accessibleObjectFromWindow(list_->Window(), static_cast<DWORD>(OBJID_WINDOW),
                                                         kIidIDispatch, reinterpret_cast<void**>(parent));
        });
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) noexcept override {
        return Answer(count, [&] {
            *count = list_->Rows();
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) noexcept override {
        return Answer(object, [&] {
            // Rows are simple children: their parent answers for them.
            return ChildOf(child) > 0 ? S_FALSE : E_INVALIDARG;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) noexcept override {
        return Answer(name, [&] {
            const long id = ChildOf(child);
            if (id < 0) {
                return E_INVALIDARG;
            }
            return Text(id == CHILDID_SELF ? list_->Name() : list_->RowName(id - 1), name);
        });
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) noexcept override {
        return Answer(value, [&] { return ChildOf(child) < 0 ? E_INVALIDARG : S_FALSE; });
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) noexcept override {
        return Answer(description, [&] {
            const long id = ChildOf(child);
            if (id < 0) {
                return E_INVALIDARG;
            }
            const wchar_t* text = id == CHILDID_SELF ? nullptr : RowAccessibilityOf(list_->Facts(id - 1)).description;
            return text != nullptr ? Text(text, description) : S_FALSE;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) noexcept override {
        return Answer(role, [&] {
            const long id = ChildOf(child);
            if (id < 0) {
                return E_INVALIDARG;
            }
            return Number(id == CHILDID_SELF ? ROLE_SYSTEM_LIST : ROLE_SYSTEM_LISTITEM, role);
        });
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) noexcept override {
        return Answer(state, [&] {
            const long id = ChildOf(child);
            if (id < 0) {
                return E_INVALIDARG;
            }
            if (id == CHILDID_SELF) {
                return Number(STATE_SYSTEM_FOCUSABLE | (list_->HasFocus() ? STATE_SYSTEM_FOCUSED : 0), state);
            }
            return Number(static_cast<long>(RowAccessibilityOf(list_->Facts(id - 1)).state), state);
        });
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* help) noexcept override {
        return Answer(help, [] { return S_FALSE; });
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) noexcept override {
        return Answer(file, [&] {
            if (topic != nullptr) {
                *topic = 0;
            }
            return S_FALSE;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* shortcut) noexcept override {
        return Answer(shortcut, [] { return S_FALSE; });
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) noexcept override {
        return Answer(focus, [&] {
            if (!list_->HasFocus()) {
                return S_FALSE;
            }
            const long caret = list_->CaretRow();
            return Number(caret >= 0 ? caret + 1 : CHILDID_SELF, focus);
        });
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) noexcept override {
        return Answer(selection, [&] {
            const long selected = list_->SelectedRow();
            return selected >= 0 ? Number(selected + 1, selection) : S_FALSE;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) noexcept override {
        return Answer(action, [&] {
            const long id = ChildOf(child);
            if (id < 0) {
                return E_INVALIDARG;
            }
            return id == CHILDID_SELF ? S_FALSE : Text(DefaultActionName(), action);
        });
    }
    // A single-selection list: the focus may move to a row, and a row may be selected (which is a
    // click on it); adding to, extending or removing the selection is refused, and changes nothing.
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) noexcept override {
        return Act([&] {
            const long id = ChildOf(child);
            const bool selects = (flags & SELFLAG_TAKESELECTION) != 0;
            if (id < 0 || (flags & ~kSelectionFlagsOfThisList) != 0 || (selects && id == CHILDID_SELF)) {
                return E_INVALIDARG;
            }
            if ((flags & SELFLAG_TAKEFOCUS) != 0) {
                list_->Focus(id - 1);
            }
            if (selects) {
                list_->Choose(id - 1);
            }
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child) noexcept override {
        return Act([&] {
            const long id = ChildOf(child);
            if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) {
                return E_POINTER;
            }
            if (id < 0) {
                return E_INVALIDARG;
            }
            // The list's client object: its client area, where its hit test works too.
            const RowGeometry geometry = list_->Geometry();
            const Box box = id == CHILDID_SELF ? geometry.client : RowBox(geometry, id - 1);
            *left = box.left;
            *top = box.top;
            *width = box.right - box.left;
            *height = box.bottom - box.top;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) noexcept override {
        return Answer(end, [&] {
            const long id = ChildOf(start);
            if (id < 0 || direction < NAVDIR_UP || direction > NAVDIR_LASTCHILD) {
                return E_INVALIDARG;
            }
            if (direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD) {
                if (id != CHILDID_SELF) {
                    return E_INVALIDARG;
                }
                // An empty list has neither: S_FALSE with the out value left empty.
                const long rows = list_->Rows();
                return rows >= 1 ? Number(direction == NAVDIR_FIRSTCHILD ? 1 : rows, end) : S_FALSE;
            }
            if (id == CHILDID_SELF) {
                return NavigateFromList(direction, end);
            }
            long to = 0;
            if (direction == NAVDIR_NEXT || direction == NAVDIR_DOWN) {
                to = id + 1;
            } else if (direction == NAVDIR_PREVIOUS || direction == NAVDIR_UP) {
                to = id - 1;
            }
            return to >= 1 && to <= list_->Rows() ? Number(to, end) : S_FALSE;
        });
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) noexcept override {
        return Answer(child, [&] {
            const RowGeometry geometry = list_->Geometry();
            if (!BoxContains(geometry.client, x, y)) {
                return S_FALSE;
            }
            const long row = RowAtPoint(geometry, x, y);
            return Number(row >= 0 ? row + 1 : CHILDID_SELF, child);
        });
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) noexcept override {
        return Act([&] {
            const long id = ChildOf(child);
            if (id <= 0) {
                return id == CHILDID_SELF ? DISP_E_MEMBERNOTFOUND : E_INVALIDARG;
            }
            list_->Choose(id - 1);
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) noexcept override { return E_NOTIMPL; }

private:
    // Runs one method's work with its out argument cleared first; a detached object, a missing
    // argument and any exception each have their answer, and nothing leaves the method.
    template <class Out, class Work>
    HRESULT Answer(Out* out, Work&& work) noexcept {
        if (out == nullptr) {
            return E_POINTER;
        }
        Clear(*out);
        return Act(work);
    }
    template <class Work>
    HRESULT Act(Work&& work) noexcept {
        return list_ == nullptr ? CO_E_OBJNOTCONNECTED : ComAnswer(work);
    }

    HRESULT Text(const std::wstring& text, BSTR* out) const noexcept {
        *out = functions_.sysAllocString(text.c_str());
        return *out != nullptr ? S_OK : E_OUTOFMEMORY;
    }

    // The list's own siblings and neighbours on the screen are known to the system's object for
    // its window, which every reader moving among the window's controls is given.
    HRESULT NavigateFromList(long direction, VARIANT* end) const noexcept {
        void* found = nullptr;
        const HRESULT got = functions_.accessibleObjectFromWindow(list_->Window(), static_cast<DWORD>(OBJID_WINDOW),
                                                                  kIidIAccessible, &found);
        if (FAILED(got) || found == nullptr) {
            return FAILED(got) ? got : E_FAIL;
        }
        auto* window = static_cast<IAccessible*>(found);
        VARIANT self{};
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        const HRESULT navigated = window->accNavigate(direction, self, end);
        window->Release();
        return navigated;
    }

    // The child a VARIANT names: CHILDID_SELF, a row's child id, or -1 for none of this object's.
    [[nodiscard]] long ChildOf(const VARIANT& child) const noexcept {
        if (child.vt != VT_I4 || child.lVal < CHILDID_SELF || child.lVal > list_->Rows()) {
            return -1;
        }
        return child.lVal;
    }

    AccessibleList* list_;
    const ReaderFunctions& functions_;
};
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

DetachableAccessible* MakeListAccessible(AccessibleList& list, const ReaderFunctions& functions) {
    return std::make_unique<ListAccessible>(list, functions).release();
}

}  // namespace tavrelonim::ui
