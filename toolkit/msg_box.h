// Message boxes over the main window, the one-message pump, and the one-shot
// centring of the next dialog.
#pragma once

#include <windows.h>

#include "toolkit/text.h"

// Modal boxes owned by the main window, centred over it: "Info" with the
// information icon, "Erreur" with the error icon. Return the box's result.
int MsgInfo(const Text& text);
int MsgErreur(const Text& text);

// Takes at most one pending message of the thread and dispatches it; returns
// the dispatch result, 0 when nothing was pending. A quit request it takes is
// posted again and remembered (QuitRequested).
LRESULT PumpMessage();

// True once PumpMessage has taken a quit request.
bool QuitRequested();

// True when the last PumpMessage call found a message waiting.
bool LastPumpTookMessage();

// With 1, arms the centring of the next dialog the thread initialises over
// the main window; arming again while armed keeps one pending centring.
// Returns the flag.
int CenterNextDialog(int flag);

// Places a window over the main window (or the work area when there is no
// main window), kept inside the primary screen's work area.
void PlaceWindow(HWND window);

// The warning box of a toolkit routine given a command or mode it does not
// know: text "M\xE9thode \xAB" + code + "\xBB inconnue !", caption `caption` (the routine's
// name in single quotes, e.g. "'Dialog'"), no owner. Returns 0.
int UnknownMethod(const char* caption, int code);
