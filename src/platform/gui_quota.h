// The window-system objects a process may hold. Windows caps each process's USER objects (windows, menus,
// cursors) and GDI objects (device contexts, bitmaps, fonts, brushes), 10,000 of each unless an
// administrator set other quotas; a creation beyond them fails, and a program that does not expect it may
// fail with it.
#pragma once

namespace rt {

struct GuiObjects {
    int user = 0;
    int gdi = 0;
};

// The quotas in force: the values USERProcessHandleQuota and GDIProcessHandleQuota under
// HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Windows, or Windows' defaults where they are absent or
// not numbers. Read once, as the system does.
GuiObjects GuiObjectQuota();
// What the process holds now, as the system counts it; where the system does not tell (it answers 0, as
// Wine does), what the program itself made and has not released.
GuiObjects GuiObjectsHeld();
// Whether `more` objects fit under the quotas with room left for what the program may still need at that
// moment: message boxes, its dialogs, the save dialog and printing.
bool GuiRoomFor(GuiObjects more);
// Notes objects the program made (positive) or released (negative), for GuiObjectsHeld's own count.
void GuiObjectsMade(int user, int gdi);

}  // namespace rt
