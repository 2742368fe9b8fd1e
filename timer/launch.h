// The command line applied once the window is up: a preset time keyed in (and started, unless
// the user asked otherwise), or the accepted forms in a message box. The timer always opens.
#pragma once

void apply_command_line(const wchar_t* arguments);
