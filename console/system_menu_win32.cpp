#include "system_menu.h"

#include <QWidget>

#include <windows.h>

namespace console {

void RemoveCloseEntry(QWidget* window) {
    const HWND hwnd = reinterpret_cast<HWND>(window->winId());
    const HMENU menu = GetSystemMenu(hwnd, FALSE);
    if (!menu)
        return;
    // By command, not as the last entry: wine's menu ends with a separator and an entry of its own.
    RemoveMenu(menu, SC_CLOSE, MF_BYCOMMAND);
    DrawMenuBar(hwnd);
}

} // namespace console
