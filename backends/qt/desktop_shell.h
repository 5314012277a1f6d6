#pragma once
// The desktop window on Qt Widgets: start-up, the menu bar, painting, mouse and keys, boxes and
// dialogs, the window modes, and a clean end.

// Plays the story in the current folder in a window until the reader or the story ends it;
// with `offerChooser`, the reader first picks the story's folder. Returns the exit status: 0
// after a clean end, 1 when the story could not start or none was picked.
int runDesktopShell(bool offerChooser);
