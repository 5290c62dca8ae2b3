// The window's answers to the inspect message of its outside contract.
//
// It ships in the product on purpose: the end-to-end tests drive the very exe that users get, and
// what another process cannot read through the window system (the program's own current printer,
// the list's font, whose handle means nothing outside the process) it asks for here. It answers
// to the asker's window with WM_COPYDATA, leaves nothing behind, and changes nothing.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <optional>
#include <string>

#include "ui/contract/WindowContract.h"

namespace tavrelonim::ui {

// Sends the answer from the window to the asker; 1 once delivered, 0 otherwise. The program's
// printer is none while it has not been made yet, and answers empty then.
[[nodiscard]] LRESULT AnswerInspect(HWND window, InspectQuery query, HWND asker,
                                    const std::optional<std::string>& applicationPrinter, HFONT listFont);

}  // namespace tavrelonim::ui
