// ziv-play's whole run: checks the files, starts sound and the console, and
// plays the list (or listens to the desktop) until Escape or the end.
// Returns the exit status.
#pragma once

int playMain(int argc, const char* const* argv);
