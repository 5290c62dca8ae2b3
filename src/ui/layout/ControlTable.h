// Room layout: where the controls go, as a table in twips, and the DPI they are scaled for.
//
// The main window's controls as data, created in this order: focus moves through those that take
// it in the same order. The label comes just before the list, so that it names the list for
// screen readers.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <array>

#include "ui/contract/WindowContract.h"
#include "ui/layout/Twips.h"

namespace tavrelonim::ui {

struct ControlEntry {
    ControlId id;
    ControlId parent;  // None: the main window
    const wchar_t* windowClass;
    DWORD style;
    DWORD exStyle;
    TwipRect rect;  // relative to the parent's client area
    const wchar_t* caption;
    // What the control draws around its caption's text, on both sides together.
    int captionMarginTwips = 0;
};

// A push button's text stands inside its edge and focus rectangle.
inline constexpr int kButtonCaptionMarginTwips = 150;

inline constexpr TwipRect kClientArea{0, 0, 9330, 4575};

inline constexpr std::array<ControlEntry, 5> kControls{{
    // The window's default button: Enter presses it wherever the focus is but on the other one.
    {ControlId::Command1,
     ControlId::None,
     L"BUTTON",
     WS_TABSTOP | BS_DEFPUSHBUTTON,
     0,
     {7800, 1680, 1335, 855},
     L"&Como Padr\u00e3o",
     kButtonCaptionMarginTwips},
    // The frame holds the label and the list; WS_EX_CONTROLPARENT lets focus move into it.
    {ControlId::Frame1,
     ControlId::None,
     L"BUTTON",
     BS_GROUPBOX | WS_CLIPCHILDREN,
     WS_EX_CONTROLPARENT,
     {0, 0, 7575, 4455},
     L""},
    {ControlId::Label1,
     ControlId::Frame1,
     L"STATIC",
     SS_LEFTNOWORDWRAP | SS_NOPREFIX,
     0,
     {120, 240, 1500, 195},
     L"Lista das quimberatos"},
    {ControlId::List1,
     ControlId::Frame1,
     L"LISTBOX",
     // Drawn by the window, to mark the default printer; it keeps its strings for LB_GETTEXT.
     WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS | LBS_OWNERDRAWFIXED,
     WS_EX_CLIENTEDGE,
     {120, 480, 7335, 3855},
     L""},
    {ControlId::Command2,
     ControlId::None,
     L"BUTTON",
     WS_TABSTOP | BS_PUSHBUTTON,
     0,
     {7800, 120, 1335, 855},
     L"&Fechar",
     kButtonCaptionMarginTwips},
}};

// Every control but the list.
inline constexpr const wchar_t* kWindowFontFace = L"MS Sans Serif";
inline constexpr int kWindowFontPoints = 8;

// List1's text: Arial 9 pt bold, grey on white (ListPresentation.h has the colours).
inline constexpr const wchar_t* kListFontFace = L"Arial";
inline constexpr int kListFontPoints = 9;
inline constexpr int kListFontWeight = 700;
// Every row keeps a margin at its left, as wide as the row is high, where the default printer's
// row shows its check mark; the name follows after a small gap.
inline constexpr int kListTextGapTwips = 30;

}  // namespace tavrelonim::ui
