// The window's identity on the desktop: the class a desktop matches to the program's desktop
// entry, and the program's icon.
#pragma once

// Sets the class and the icon of the current window where the window system takes them from the
// program (X11: WM_CLASS and _NET_WM_ICON); does nothing elsewhere.
void setWindowIdentity();
