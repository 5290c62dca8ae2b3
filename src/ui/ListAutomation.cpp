#include "ui/ListAutomation.h"

#include <atomic>
#include <string>
#include <vector>

#include "ui/ComObject.h"

namespace tavrelonim::ui {

class RootProvider;
class ItemProvider;

// A reader's call made on another thread, run on the window's.
struct WindowThreadCall {
    HRESULT (*run)(void* work) noexcept;
    void* work;
    std::atomic<bool> finished{false};
};

// What the providers share with the window, and outlive it with: once the list is gone they
// find it gone here.
struct AutomationState : std::enable_shared_from_this<AutomationState> {
    AutomationState(AccessibleList& theList, const ReaderFunctions& theFunctions) noexcept
        : list(&theList), functions(&theFunctions), window(theList.Window()) {}

    // Read and written on the window's thread only.
    AccessibleList* list;
    const ReaderFunctions* functions;
    RootProvider* root = nullptr;      // made on the first question; one reference held here
    std::vector<ItemProvider*> items;  // by row, made as asked for; one reference each held here
    // Read from any thread.
    const DWORD thread = ::GetCurrentThreadId();
    const HWND window;
    SRWLOCK callers = SRWLOCK_INIT;  // one call from other threads at a time
    std::atomic<WindowThreadCall*> pending{nullptr};

    // The row's provider, without a reference of the caller's; null for a row the list lacks.
    ItemProvider* Item(long row);
    // Cuts clients off a provider, where the system can, and drops the reference held here.
    template <class Provider>
    void LetGo(Provider* provider) noexcept {
        if (functions->uiaDisconnectProvider != nullptr) {
            functions->uiaDisconnectProvider(provider);
        }
        provider->Release();
    }

    // Runs the work on the window's thread: at once when called there, otherwise sent to the
    // window, which runs it among its messages; the caller waits, never the window. A window
    // that does not take it in time, or is gone, gives the element as gone.
    template <class Work>
    HRESULT OnWindowThread(Work&& work) noexcept {
        const auto checked = [&]() noexcept { return list == nullptr ? uia::kElementNotAvailable : ComAnswer(work); };
        if (::GetCurrentThreadId() == thread) {
            return checked();
        }
        using Checked = decltype(checked);
        WindowThreadCall call{[](void* checkedWork) noexcept { return (*static_cast<const Checked*>(checkedWork))(); },
                              const_cast<void*>(static_cast<const void*>(&checked))};
        ::AcquireSRWLockExclusive(&callers);
        pending.store(&call);
        DWORD_PTR result = 0;
        const bool answered = ::SendMessageTimeoutW(window, ListAutomation::kCallMessage, 0, 0, SMTO_NORMAL,
                                                    ListAutomation::kCallMilliseconds, &result) != 0;
        WindowThreadCall* untaken = &call;
        if (!pending.compare_exchange_strong(untaken, nullptr)) {
            // Taken by the window after all: it runs on this frame's work, which must wait for it.
            while (!call.finished.load()) {
                ::Sleep(1);
            }
        }
        ::ReleaseSRWLockExclusive(&callers);
        return answered && call.finished.load() ? static_cast<HRESULT>(result) : uia::kElementNotAvailable;
    }
    // The window's side: runs the call waiting, if any.
    LRESULT RunPending() noexcept {
        WindowThreadCall* call = pending.exchange(nullptr);
        if (call == nullptr) {
            return uia::kElementNotAvailable;  // none, or one that gave up: nothing to run
        }
        const HRESULT result = call->run(call->work);
        call->finished.store(true);  // the caller's frame may go from here on
        return result;
    }
};

namespace {

constexpr ProviderOptions kOptions = static_cast<ProviderOptions>(ProviderOptions_ServerSideProvider);

HRESULT Int(long value, VARIANT* out) noexcept {
    out->vt = VT_I4;
    out->lVal = value;
    return S_OK;
}
HRESULT Bool(bool value, VARIANT* out) noexcept {
    out->vt = VT_BOOL;
    out->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}
HRESULT String(const ReaderFunctions& functions, const std::wstring& text, VARIANT* out) noexcept {
    out->bstrVal = functions.sysAllocString(text.c_str());
    if (out->bstrVal == nullptr) {
        return E_OUTOFMEMORY;
    }
    out->vt = VT_BSTR;
    return S_OK;
}
const wchar_t* ItemStatusOf(bool isDefault) noexcept { return isDefault ? kDefaultRowDescription : L""; }

UiaRect RectOf(const Box& box) noexcept {
    return {static_cast<double>(box.left), static_cast<double>(box.top), static_cast<double>(box.right - box.left),
            static_cast<double>(box.bottom - box.top)};
}

// A method's work on the window's thread, with its out argument cleared first.
template <class Out, class Work>
HRESULT Answer(AutomationState& state, Out* out, Work&& work) noexcept {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = {};
    return state.OnWindowThread(work);
}
template <class Work>
HRESULT Act(AutomationState& state, Work&& work) noexcept {
    return state.OnWindowThread(work);
}

}  // namespace

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif

// The list itself: a fragment root, hosted by the list box's window, with the selection pattern.
class RootProvider final : public IRawElementProviderSimple,
                           public IRawElementProviderFragment,
                           public IRawElementProviderFragmentRoot,
                           public uia::ISelectionProvider,
                           public ComReferences<RootProvider> {
public:
    explicit RootProvider(std::shared_ptr<AutomationState> state) noexcept : state_(std::move(state)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) noexcept override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (id == IID_IUnknown || id == uia::kIidSimple) {
            return HandOut<IRawElementProviderSimple>(this, object);
        }
        if (id == uia::kIidFragment) {
            return HandOut<IRawElementProviderFragment>(this, object);
        }
        if (id == uia::kIidFragmentRoot) {
            return HandOut<IRawElementProviderFragmentRoot>(this, object);
        }
        if (id == uia::kIidSelection) {
            return HandOut<uia::ISelectionProvider>(this, object);
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return AddReference(); }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return ReleaseReference(); }

    // IRawElementProviderSimple
    HRESULT STDMETHODCALLTYPE get_ProviderOptions(ProviderOptions* options) noexcept override {
        return Answer(*state_, options, [&] {
            *options = kOptions;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE GetPatternProvider(PATTERNID pattern, IUnknown** provider) noexcept override {
        return Answer(*state_, provider, [&] {
            return pattern == uia::kSelectionPattern
                       ? HandOut<uia::ISelectionProvider>(this, reinterpret_cast<void**>(provider))
                       : S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE GetPropertyValue(PROPERTYID property, VARIANT* value) noexcept override {
        return Answer(*state_, value, [&] {
            const AccessibleList& list = *state_->list;
            switch (property) {
                case uia::kControlTypeProperty:
                    return Int(uia::kListControlType, value);
                case uia::kNameProperty:
                    return String(*state_->functions, list.Name(), value);
                case uia::kIsKeyboardFocusableProperty:
                case uia::kIsEnabledProperty:
                    return Bool(true, value);
                case uia::kHasKeyboardFocusProperty:
                    return Bool(list.HasFocus(), value);
                case uia::kLabeledByProperty: {
                    IRawElementProviderSimple* label = nullptr;
                    if (SUCCEEDED(state_->functions->uiaHostProviderFromHwnd(list.Label(), &label)) &&
                        label != nullptr) {
                        value->vt = VT_UNKNOWN;
                        value->punkVal = label;
                    }
                    return S_OK;
                }
                default:
                    return S_OK;  // the host's answer, or none
            }
        });
    }
    HRESULT STDMETHODCALLTYPE get_HostRawElementProvider(IRawElementProviderSimple** host) noexcept override {
        return Answer(*state_, host,
                      [&] { return state_->functions->uiaHostProviderFromHwnd(state_->list->Window(), host); });
    }

    // IRawElementProviderFragment
    HRESULT STDMETHODCALLTYPE Navigate(NavigateDirection direction, IRawElementProviderFragment** to) noexcept override;
    HRESULT STDMETHODCALLTYPE GetRuntimeId(SAFEARRAY** id) noexcept override {
        return Answer(*state_, id, [] { return S_OK; });  // the host's window gives the list's
    }
    HRESULT STDMETHODCALLTYPE get_BoundingRectangle(UiaRect* rect) noexcept override {
        return Answer(*state_, rect, [&] {
            *rect = RectOf(state_->list->Geometry().client);
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE GetEmbeddedFragmentRoots(SAFEARRAY** roots) noexcept override {
        return Answer(*state_, roots, [] { return S_OK; });
    }
    HRESULT STDMETHODCALLTYPE SetFocus() noexcept override {
        return Act(*state_, [&] {
            state_->list->Focus(-1);
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_FragmentRoot(IRawElementProviderFragmentRoot** root) noexcept override {
        return Answer(*state_, root,
                      [&] { return HandOut<IRawElementProviderFragmentRoot>(this, reinterpret_cast<void**>(root)); });
    }

    // IRawElementProviderFragmentRoot
    HRESULT STDMETHODCALLTYPE ElementProviderFromPoint(double x, double y,
                                                       IRawElementProviderFragment** found) noexcept override;
    HRESULT STDMETHODCALLTYPE GetFocus(IRawElementProviderFragment** focused) noexcept override;

    // ISelectionProvider
    HRESULT STDMETHODCALLTYPE GetSelection(SAFEARRAY** selection) noexcept override;
    HRESULT STDMETHODCALLTYPE get_CanSelectMultiple(BOOL* can) noexcept override {
        return Answer(*state_, can, [] { return S_OK; });
    }
    HRESULT STDMETHODCALLTYPE get_IsSelectionRequired(BOOL* required) noexcept override {
        return Answer(*state_, required, [] { return S_OK; });  // nothing is selected at start
    }

private:
    std::shared_ptr<AutomationState> state_;
};

// One printer's row: a list item with the selection-item and scroll-item patterns.
class ItemProvider final : public IRawElementProviderSimple,
                           public IRawElementProviderFragment,
                           public uia::ISelectionItemProvider,
                           public uia::IScrollItemProvider,
                           public ComReferences<ItemProvider> {
public:
    ItemProvider(std::shared_ptr<AutomationState> state, long row) noexcept : state_(std::move(state)), row_(row) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) noexcept override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (id == IID_IUnknown || id == uia::kIidSimple) {
            return HandOut<IRawElementProviderSimple>(this, object);
        }
        if (id == uia::kIidFragment) {
            return HandOut<IRawElementProviderFragment>(this, object);
        }
        if (id == uia::kIidSelectionItem) {
            return HandOut<uia::ISelectionItemProvider>(this, object);
        }
        if (id == uia::kIidScrollItem) {
            return HandOut<uia::IScrollItemProvider>(this, object);
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return AddReference(); }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return ReleaseReference(); }

    // IRawElementProviderSimple
    HRESULT STDMETHODCALLTYPE get_ProviderOptions(ProviderOptions* options) noexcept override {
        return Answer(*state_, options, [&] {
            *options = kOptions;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE GetPatternProvider(PATTERNID pattern, IUnknown** provider) noexcept override {
        return Answer(*state_, provider, [&] {
            auto** out = reinterpret_cast<void**>(provider);
            if (pattern == uia::kSelectionItemPattern) {
                return HandOut<uia::ISelectionItemProvider>(this, out);
            }
            return pattern == uia::kScrollItemPattern ? HandOut<uia::IScrollItemProvider>(this, out) : S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE GetPropertyValue(PROPERTYID property, VARIANT* value) noexcept override {
        return Answer(*state_, value, [&] {
            const AccessibleList& list = *state_->list;
            const RowFacts facts = list.Facts(row_);
            switch (property) {
                case uia::kControlTypeProperty:
                    return Int(uia::kListItemControlType, value);
                case uia::kNameProperty:
                    return String(*state_->functions, list.RowName(row_), value);
                case uia::kItemStatusProperty:
                    return String(*state_->functions, ItemStatusOf(facts.isDefault), value);
                case uia::kPositionInSetProperty:
                    return Int(row_ + 1, value);
                case uia::kSizeOfSetProperty:
                    return Int(list.Rows(), value);
                case uia::kHasKeyboardFocusProperty:
                    return Bool(facts.focused, value);
                case uia::kIsKeyboardFocusableProperty:
                case uia::kIsEnabledProperty:
                    return Bool(true, value);
                case uia::kIsOffscreenProperty:
                    return Bool(!facts.visible, value);
                default:
                    return S_OK;
            }
        });
    }
    HRESULT STDMETHODCALLTYPE get_HostRawElementProvider(IRawElementProviderSimple** host) noexcept override {
        return Answer(*state_, host, [] { return S_OK; });  // a row has no window of its own
    }

    // IRawElementProviderFragment
    HRESULT STDMETHODCALLTYPE Navigate(NavigateDirection direction,
                                       IRawElementProviderFragment** to) noexcept override {
        return Answer(*state_, to, [&] {
            IRawElementProviderFragment* next = nullptr;
            switch (direction) {
                case NavigateDirection_Parent:
                    next = state_->root;
                    break;
                case NavigateDirection_NextSibling:
                    next = state_->Item(row_ + 1);
                    break;
                case NavigateDirection_PreviousSibling:
                    next = state_->Item(row_ - 1);
                    break;
                default:
                    break;  // a row has no children
            }
            return next != nullptr ? HandOut<IRawElementProviderFragment>(next, reinterpret_cast<void**>(to)) : S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE GetRuntimeId(SAFEARRAY** id) noexcept override {
        return Answer(*state_, id, [&] {
            const ReaderFunctions& functions = *state_->functions;
            SAFEARRAY* array = functions.safeArrayCreateVector(VT_I4, 0, 2);
            if (array == nullptr) {
                return E_OUTOFMEMORY;
            }
            // Unique among the list's elements, and the row's for as long as the list lives.
            for (LONG index = 0; index < 2; ++index) {
                int part = index == 0 ? uia::kAppendRuntimeId : static_cast<int>(row_);
                functions.safeArrayPutElement(array, &index, &part);
            }
            *id = array;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_BoundingRectangle(UiaRect* rect) noexcept override {
        return Answer(*state_, rect, [&] {
            const RowGeometry geometry = state_->list->Geometry();
            // A row scrolled out of view has no place on the screen: an empty rectangle.
            *rect = RowVisible(geometry, row_) ? RectOf(RowBox(geometry, row_)) : UiaRect{};
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE GetEmbeddedFragmentRoots(SAFEARRAY** roots) noexcept override {
        return Answer(*state_, roots, [] { return S_OK; });
    }
    HRESULT STDMETHODCALLTYPE SetFocus() noexcept override {
        return Act(*state_, [&] {
            state_->list->Focus(row_);
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_FragmentRoot(IRawElementProviderFragmentRoot** root) noexcept override {
        return Answer(*state_, root, [&] {
            return HandOut<IRawElementProviderFragmentRoot>(state_->root, reinterpret_cast<void**>(root));
        });
    }

    // ISelectionItemProvider: a single-selection list, where selecting a row is a click on it.
    HRESULT STDMETHODCALLTYPE Select() noexcept override {
        return Act(*state_, [&] {
            state_->list->Choose(row_);
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE AddToSelection() noexcept override {
        return Act(*state_, [] { return uia::kInvalidOperation; });
    }
    HRESULT STDMETHODCALLTYPE RemoveFromSelection() noexcept override {
        return Act(*state_, [] { return uia::kInvalidOperation; });
    }
    HRESULT STDMETHODCALLTYPE get_IsSelected(BOOL* selected) noexcept override {
        return Answer(*state_, selected, [&] {
            *selected = state_->list->SelectedRow() == row_ ? TRUE : FALSE;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_SelectionContainer(IRawElementProviderSimple** container) noexcept override {
        return Answer(*state_, container, [&] {
            return HandOut<IRawElementProviderSimple>(state_->root, reinterpret_cast<void**>(container));
        });
    }

    // IScrollItemProvider
    HRESULT STDMETHODCALLTYPE ScrollIntoView() noexcept override {
        return Act(*state_, [&] {
            state_->list->ScrollIntoView(row_);
            return S_OK;
        });
    }

private:
    std::shared_ptr<AutomationState> state_;
    long row_;
};

#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

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
        const RowGeometry geometry = state_->list->Geometry();
        const long row = RowAtPoint(geometry, static_cast<long>(x), static_cast<long>(y));
        IRawElementProviderFragment* element = state_->Item(row);
        if (element == nullptr && BoxContains(geometry.client, static_cast<long>(x), static_cast<long>(y))) {
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
        if (selected != nullptr) {
            LONG index = 0;
            functions.safeArrayPutElement(array, &index, static_cast<IRawElementProviderSimple*>(selected));
        }
        *selection = array;
        return S_OK;
    });
}

ListAutomation::ListAutomation(AccessibleList& list, const ReaderFunctions& functions)
    : state_(std::make_shared<AutomationState>(list, functions)) {}

ListAutomation::~ListAutomation() { Detach(); }

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
            ItemProvider* gone = item;
            item = nullptr;
            state_->LetGo(gone);
        }
    }
    if (state_->functions->uiaClientsAreListening() != FALSE) {
        state_->functions->uiaRaiseStructureChangedEvent(state_->root, uia::kChildrenInvalidated, nullptr, 0);
    }
}

void ListAutomation::Detach() noexcept {
    if (state_->list == nullptr) {
        return;
    }
    state_->list = nullptr;
    for (ItemProvider* item : state_->items) {
        if (item != nullptr) {
            state_->LetGo(item);
        }
    }
    state_->items.clear();
    if (state_->root != nullptr) {
        state_->LetGo(state_->root);
        state_->root = nullptr;
    }
}

LRESULT ListAutomation::RunCall() noexcept { return state_->RunPending(); }

}  // namespace tavrelonim::ui
