// The list's UI Automation providers: the list itself, a fragment root with the selection
// pattern, and one list item a row. Private to their owner, ListAutomation.
#pragma once

#include "ui/accessibility/AutomationState.h"

namespace tavrelonim::ui {

using automation::Act;
using automation::Answer;
using automation::AnswerWhileConnected;
using automation::Bool;
using automation::Int;
using automation::ItemStatusOf;
using automation::Options;
using automation::RectOf;
using automation::String;

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif

// What both kinds of element are: a fragment of the list's tree, with the state they share.
template <class Self>
class ListFragment : public IRawElementProviderSimple, public IRawElementProviderFragment, public ComReferences<Self> {
public:
    HRESULT STDMETHODCALLTYPE get_ProviderOptions(ProviderOptions* options) noexcept override {
        return Options(*state_, options);
    }
    HRESULT STDMETHODCALLTYPE GetEmbeddedFragmentRoots(SAFEARRAY** roots) noexcept override {
        return Answer(*state_, roots, [] { return S_OK; });
    }

protected:
    explicit ListFragment(std::shared_ptr<AutomationState> state) noexcept : state_(std::move(state)) {}
    std::shared_ptr<AutomationState> state_;
};

// The list itself: a fragment root, hosted by the list box's window, with the selection pattern.
class RootProvider final : public ListFragment<RootProvider>,
                           public IRawElementProviderFragmentRoot,
                           public uia::ISelectionProvider {
public:
    explicit RootProvider(std::shared_ptr<AutomationState> state) noexcept : ListFragment(std::move(state)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) noexcept override {
        return QueryAmong(this, id, object, Offered<IRawElementProviderSimple>{uia::kIidSimple},
                          Offered<IRawElementProviderFragment>{uia::kIidFragment},
                          Offered<IRawElementProviderFragmentRoot>{uia::kIidFragmentRoot},
                          Offered<uia::ISelectionProvider>{uia::kIidSelection});
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return this->AddReference(); }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return this->ReleaseReference(); }

    // IRawElementProviderSimple
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
                default:
                    return S_OK;  // the host's answer, or none
            }
        });
    }
    // From the window's handle, which outlives the list: the core asks for it while it disconnects.
    HRESULT STDMETHODCALLTYPE get_HostRawElementProvider(IRawElementProviderSimple** host) noexcept override {
        return AnswerWhileConnected(*state_, host,
                                    [&] { return state_->functions->uiaHostProviderFromHwnd(state_->window, host); });
    }

    // IRawElementProviderFragment
    HRESULT STDMETHODCALLTYPE Navigate(NavigateDirection direction, IRawElementProviderFragment** to) noexcept override;
    HRESULT STDMETHODCALLTYPE GetRuntimeId(SAFEARRAY** id) noexcept override {
        // None of its own: the host's window gives the list's, also while the core disconnects.
        return AnswerWhileConnected(*state_, id, [] { return S_OK; });
    }
    HRESULT STDMETHODCALLTYPE get_BoundingRectangle(UiaRect* rect) noexcept override {
        return Answer(*state_, rect, [&] {
            *rect = RectOf(state_->list->Geometry().client);
            return S_OK;
        });
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
};

// One printer's row: a list item with the selection-item and scroll-item patterns.
class ItemProvider final : public ListFragment<ItemProvider>,
                           public uia::ISelectionItemProvider,
                           public uia::IScrollItemProvider {
public:
    ItemProvider(std::shared_ptr<AutomationState> state, long row) noexcept
        : ListFragment(std::move(state)), row_(row) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) noexcept override {
        return QueryAmong(this, id, object, Offered<IRawElementProviderSimple>{uia::kIidSimple},
                          Offered<IRawElementProviderFragment>{uia::kIidFragment},
                          Offered<uia::ISelectionItemProvider>{uia::kIidSelectionItem},
                          Offered<uia::IScrollItemProvider>{uia::kIidScrollItem});
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return this->AddReference(); }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return this->ReleaseReference(); }

    // IRawElementProviderSimple
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
    // From the row's index, which outlives the list: the core asks for it while it disconnects.
    HRESULT STDMETHODCALLTYPE GetRuntimeId(SAFEARRAY** id) noexcept override {
        return AnswerWhileConnected(*state_, id, [&] {
            const ReaderFunctions& functions = *state_->functions;
            SAFEARRAY* array = functions.safeArrayCreateVector(VT_I4, 0, 2);
            if (array == nullptr) {
                return E_OUTOFMEMORY;
            }
            // Unique among the list's elements, and the row's for as long as the list lives.
            for (LONG index = 0; index < 2; ++index) {
                int part = index == 0 ? uia::kAppendRuntimeId : static_cast<int>(row_);
                if (FAILED(functions.safeArrayPutElement(array, &index, &part))) {
                    functions.safeArrayDestroy(array);  // never a half-filled id handed out
                    return E_OUTOFMEMORY;
                }
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
    HRESULT STDMETHODCALLTYPE SetFocus() noexcept override { return Ask(&AccessibleList::Focus); }
    HRESULT STDMETHODCALLTYPE get_FragmentRoot(IRawElementProviderFragmentRoot** root) noexcept override {
        return TheList(root);
    }

    // ISelectionItemProvider: a single-selection list, where selecting a row is a click on it.
    HRESULT STDMETHODCALLTYPE Select() noexcept override { return Ask(&AccessibleList::Choose); }
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
        return TheList(container);
    }

    // IScrollItemProvider
    HRESULT STDMETHODCALLTYPE ScrollIntoView() noexcept override { return Ask(&AccessibleList::ScrollIntoView); }

private:
    // Asks the list to do something with this row.
    HRESULT Ask(void (AccessibleList::*action)(long) noexcept) noexcept {
        return Act(*state_, [&] {
            (state_->list->*action)(row_);
            return S_OK;
        });
    }
    // The list's own element, as the interface asked for.
    template <class Interface>
    HRESULT TheList(Interface** out) noexcept {
        return Answer(*state_, out, [&] { return HandOut<Interface>(state_->root, reinterpret_cast<void**>(out)); });
    }

    long row_;
};

#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

}  // namespace tavrelonim::ui
