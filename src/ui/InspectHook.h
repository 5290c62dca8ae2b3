// The window's answers to the inspect message of its outside contract.
//
// It ships in the product on purpose: the end-to-end tests drive the very exe that users get, and
// what another process cannot read through the window system (the program's own current printer,
// the list's font, whose handle means nothing outside the process) it asks for here. It answers
// with a short global atom and changes nothing.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

#include "ui/WindowContract.h"

namespace tavrelonim::ui {

[[nodiscard]] LRESULT AnswerInspect(InspectQuery query, const std::string& applicationPrinter, HFONT listFont);

}  // namespace tavrelonim::ui
