// The work behind "Touch heure...".
#pragma once

// Reads the shift, the unit and both folders from the main dialog, pairs every
// original with the copy at the same relative path and sets the last-write
// time of each copy that is off by exactly the shift; reports in the list,
// progress bar, status bar and an end box.
void TouchRun();

// True while a run is going (handlers nested in its message pump check it).
bool TouchRunActive();

// Asks a running run to stop before its next file (the main window is closing).
void TouchRunRequestStop();
