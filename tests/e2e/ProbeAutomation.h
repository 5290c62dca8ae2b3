// The list as a UI Automation client reads it from another process, through the automation
// core's node calls (those Wine has: no pattern calls, no hit testing, no rectangles).
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

namespace probe {

// The list's element and every item reached from it by navigation, each with its control type,
// name, item status, position in set and size of set (JSON; null where the list has no element).
std::string AutomationTree(HWND list);
// Keeps the list's element and its first item's: ok, or why not.
std::string AutomationHold(HWND list);
// What reading the names of the held elements answers now ([list, item] results, JSON).
std::string AutomationHeld();

}  // namespace probe
