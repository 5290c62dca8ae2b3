// Room contract: what other programs may rely on (the window's names and IDs, the inspect
// message and its answers, the start-up phases). It includes nothing of the window's.
//
// What other programs may rely on to find and read the utility's window: its class and caption,
// its controls' IDs and the inspect message. The window, the test probe and the benchmark driver
// all take them from here, so none can drift from the others.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <array>
#include <cstddef>
#include <utility>

namespace tavrelonim::ui {

inline constexpr const wchar_t* kWindowClass = L"TavrelonimMainWindow";
inline constexpr const wchar_t* kWindowCaption = L"Tavrelonim Controle de quimberatos";

enum class ControlId : int { None = 0, Command1 = 101, Frame1, List1, Label1, Command2 };
inline constexpr std::array<std::pair<ControlId, const char*>, 5> kControlNames{{
    {ControlId::Command1, "Command1"},
    {ControlId::Frame1, "Frame1"},
    {ControlId::List1, "List1"},
    {ControlId::Label1, "Label1"},
    {ControlId::Command2, "Command2"},
}};

// A message the window answers for probes in other processes: wParam names what is asked and
// lParam is the asker's window, to which the answer goes back before the message returns, as
// WM_COPYDATA from the utility's window: dwData kInspectAnswerTag, the answer's UTF-8 bytes, any
// length. The message's result is 1 once the answer is delivered, 0 when there is none. The
// asking side is ui/InspectAsker.h. Nothing is left behind, whether or not the asker still waits.
// Only one real window is answered (never HWND_BROADCAST or another special handle), a question
// asked while an answer is being sent is refused, and an answer waits on its asker for
// kInspectAnswerMilliseconds at most.
inline constexpr const wchar_t* kInspectMessageName = L"Tavrelonim.Inspect";
inline constexpr ULONG_PTR kInspectAnswerTag = 0x54415652;  // "TAVR"
inline constexpr UINT kInspectAnswerMilliseconds = 1000;
enum class InspectQuery : WPARAM {
    ApplicationPrinter = 1,  // the program's own current printer; empty while none is made yet
    ListFont = 2,            // the list's LOGFONT: face|height|weight|italic|underline|strikeout|charset
    StartupPhases = 3,       // the performance counter's frequency, then each phase's count: f|t0|t1|...
};

// The start-up's phases, the window's in the order they end; each is stamped with the performance counter
// (one system-wide clock) when it ends, so that a benchmark can place them after the moment it
// created the process. 0 for a phase that has not ended.
enum class StartupPhase : std::size_t {
    Entry,           // the program's entry point: the system has loaded it
    SpoolerLoaded,   // the spooler loaded, on the window's thread
    WindowCreating,  // its window class registered, the window about to be made
    FirstMessage,    // the system has made the window and sends it its first message
    Layout,          // fonts made, captions measured, every control's place found
    Controls,        // the controls made in their places and fonts
    ListFilled,      // the key names taken from the read-ahead (waited for), the list filled
    MarkFound,       // the default printer's row found
    WindowCreated,   // the window made, with all of the above inside
    Shown,           // shown: mapped and activated by the system, not yet painted
    Painted,         // painted: the first frame
    Answering,       // at the message loop, answering
    // Beside the phases above from the spooler's load on: on the read-ahead worker for a long
    // list, otherwise within the list's phase.
    KeyNamesRead,  // PrinterPorts' key names read
    // Stamped only when the list took the names the read-ahead worker read (a long list): never
    // where the load read them itself.
    KeyNamesFromWorker,
};
inline constexpr std::array<const char*, 14> kStartupPhaseNames{
    "entry point", "spooler",     "window class", "system's window", "fonts and layout", "controls",  "list filled",
    "mark found",  "window made", "shown",        "first paint",     "answering",        "key names", "from worker"};
// The phase from here on runs beside the window's, counted from the spooler's load.
inline constexpr auto kBesidePhase = static_cast<std::size_t>(StartupPhase::KeyNamesRead);

}  // namespace tavrelonim::ui
