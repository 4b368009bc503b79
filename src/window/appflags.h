#pragma once

// Set by start-up just before the main window is created and never cleared:
// while true the window is frameless and the application does not quit when
// its last window closes.
extern bool framelessWindow;
