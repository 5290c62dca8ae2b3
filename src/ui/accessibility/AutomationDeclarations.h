// What a UI Automation provider needs of the system beyond the interfaces uiautomationcore.h
// declares: the pattern interfaces MinGW's headers lack, the ids, and the core's functions, which
// are loaded at run time (MinGW has no import library for them, and its API header does not
// compile as C++). Declared in a namespace of their own, so that they meet no SDK's declarations.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <uiautomationcore.h>

namespace tavrelonim::ui::uia {

inline constexpr long kRootObjectId = -25;  // WM_GETOBJECT's object id for a UI Automation provider
inline constexpr HRESULT kElementNotAvailable = static_cast<HRESULT>(0x80040201);
inline constexpr HRESULT kInvalidOperation = static_cast<HRESULT>(0x80131509);
inline constexpr int kAppendRuntimeId = 3;
inline constexpr int kChildrenInvalidated = 2;  // StructureChangeType

inline constexpr PROPERTYID kControlTypeProperty = 30003;
inline constexpr PROPERTYID kNameProperty = 30005;
inline constexpr PROPERTYID kHasKeyboardFocusProperty = 30008;
inline constexpr PROPERTYID kIsKeyboardFocusableProperty = 30009;
inline constexpr PROPERTYID kIsEnabledProperty = 30010;
inline constexpr PROPERTYID kLabeledByProperty = 30018;
inline constexpr PROPERTYID kIsOffscreenProperty = 30022;
inline constexpr PROPERTYID kItemStatusProperty = 30026;
inline constexpr PROPERTYID kPositionInSetProperty = 30152;
inline constexpr PROPERTYID kSizeOfSetProperty = 30153;

inline constexpr CONTROLTYPEID kListItemControlType = 50007;
inline constexpr CONTROLTYPEID kListControlType = 50008;

inline constexpr PATTERNID kSelectionPattern = 10001;
inline constexpr PATTERNID kSelectionItemPattern = 10010;
inline constexpr PATTERNID kScrollItemPattern = 10017;

inline constexpr EVENTID kFocusChangedEvent = 20005;
inline constexpr EVENTID kElementSelectedEvent = 20012;

// Spelled out: an import library's GUID symbols can resolve to a thunk in a static MinGW link.
inline constexpr GUID kIidSimple{0xd6dd68d1, 0x86fd, 0x4332, {0x86, 0x66, 0x9a, 0xbe, 0xde, 0xa2, 0xd2, 0x4c}};
inline constexpr GUID kIidFragment{0xf7063da8, 0x8359, 0x439c, {0x92, 0x97, 0xbb, 0xc5, 0x29, 0x9a, 0x7d, 0x87}};
inline constexpr GUID kIidFragmentRoot{0x620ce2a5, 0xab8f, 0x40a9, {0x86, 0xcb, 0xde, 0x3c, 0x75, 0x59, 0x9b, 0x58}};
inline constexpr GUID kIidSelection{0xfb8b03af, 0x3bdf, 0x48d4, {0xbd, 0x36, 0x1a, 0x65, 0x79, 0x3b, 0xe1, 0x68}};
inline constexpr GUID kIidSelectionItem{0x2acad808, 0xb2d4, 0x452d, {0xa4, 0x07, 0x91, 0xff, 0x1a, 0xd1, 0x67, 0xb2}};
inline constexpr GUID kIidScrollItem{0x2360c714, 0x4bf1, 0x4b26, {0xba, 0x65, 0x9b, 0x21, 0x31, 0x61, 0x27, 0xeb}};

// COM interfaces have no virtual destructor: their objects are deleted as themselves.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif
struct ISelectionProvider : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetSelection(SAFEARRAY** selection) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CanSelectMultiple(BOOL* canSelectMultiple) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsSelectionRequired(BOOL* isSelectionRequired) = 0;
};
struct ISelectionItemProvider : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Select() = 0;
    virtual HRESULT STDMETHODCALLTYPE AddToSelection() = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveFromSelection() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsSelected(BOOL* isSelected) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_SelectionContainer(IRawElementProviderSimple** container) = 0;
};
struct IScrollItemProvider : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE ScrollIntoView() = 0;
};
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

using ReturnRawElementProvider = LRESULT(WINAPI*)(HWND, WPARAM, LPARAM, IRawElementProviderSimple*);
using HostProviderFromHwnd = HRESULT(WINAPI*)(HWND, IRawElementProviderSimple**);
using RaiseAutomationEvent = HRESULT(WINAPI*)(IRawElementProviderSimple*, EVENTID);
using RaisePropertyChangedEvent = HRESULT(WINAPI*)(IRawElementProviderSimple*, PROPERTYID, VARIANT, VARIANT);
using RaiseStructureChangedEvent = HRESULT(WINAPI*)(IRawElementProviderSimple*, int, int*, int);
using ClientsAreListening = BOOL(WINAPI*)();
using DisconnectProvider = HRESULT(WINAPI*)(IRawElementProviderSimple*);

}  // namespace tavrelonim::ui::uia
