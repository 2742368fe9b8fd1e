// The message loop of both programs.
#pragma once

// Takes and dispatches messages for all of the thread's windows until WM_QUIT; returns its
// exit code.
int run_message_loop();
