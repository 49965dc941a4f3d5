#include "system_menu.h"

#include <QWidget>

#include <windows.h>

void RemoveCloseEntry(QWidget* window) {
    const HWND hwnd = reinterpret_cast<HWND>(window->winId());
    const HMENU menu = GetSystemMenu(hwnd, FALSE);
    if (!menu)
        return;
    const int count = GetMenuItemCount(menu);
    if (count > 0)
        RemoveMenu(menu, static_cast<UINT>(count - 1), MF_BYPOSITION);
    DrawMenuBar(hwnd);
}
