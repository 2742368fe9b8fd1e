// What screen readers are told about a key. A key with an image face has no window text (its
// caption is in the picture), so the system's own accessible object of the button has no name.
// The key answers WM_GETOBJECT with that same object wrapped, named after its caption.
#pragma once

#include <windows.h>

// The answer to WM_GETOBJECT for `key`, whose caption is the live text at `caption` (read each
// time the name is asked for, so the name follows the face). 0 lets the button answer as usual:
// for other object ids, or when the accessibility libraries are missing. The libraries are
// loaded and COM is started on the window thread the first time a screen reader asks.
LRESULT answer_key_object(HWND key, WPARAM flags, LPARAM object_id, const wchar_t* caption);

// At exit, after the last window is gone: ends COM on the window thread if it was started.
void end_key_objects();
