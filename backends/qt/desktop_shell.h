#pragma once
// The desktop window on Qt Widgets: start-up, the menu bar, painting, mouse and keys, boxes and
// dialogs, the window modes, and a clean end.

// Plays the story in the current folder in a window until the reader or the story ends it;
// with `offerChooser`, the reader first picks the story's folder. A place kept when nev last
// ended is gone on from when `resume` is 1, left when 0, and the reader is asked when -1.
// Returns the exit status: 0 after a clean end, 1 when the story could not start or none was
// picked.
int runDesktopShell(bool offerChooser, int resume);
