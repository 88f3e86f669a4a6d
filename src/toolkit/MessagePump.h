// The thread's one message pump, used by every wait that keeps the windows alive: the
// application's ProcessMessages, modal dialogs, the socket layer's waits and the viewer's
// auto-scroll. Win32 only.
//
// One rule for WM_QUIT: it is never eaten. A pump that meets it puts it back (PostQuitMessage
// with the same code) for the loop that owns the thread, stops, and returns false; a wait that
// gets false ends (a modal dialog closes as cancelled, the viewer stops scrolling) or, where it
// has its own end (a socket wait's time-out), sees QuitSeen(). Keys meant for a modal dialog (Enter, Esc, Tab) go to the dialog,
// as they do in the dialog's own loop, whichever wait is pumping.
#pragma once

#include "toolkit/Win32.h"

// Dispatches every message waiting for this thread. False when a WM_QUIT was met (and put back).
bool PumpWaitingMessages();
// Waits until a message arrives or `timeoutMs` passes, then pumps. False after a WM_QUIT.
bool WaitAndPumpMessages(DWORD timeoutMs);
// True once a pump of this thread has met WM_QUIT (the loop owning the thread is ending).
bool QuitSeen();
