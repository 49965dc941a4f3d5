#pragma once
// The close box: on Windows the Close entry of the system menu is removed; elsewhere the window is built
// without a close button and ignores close requests, so btnExit is the only way out.

class QWidget;

namespace console {

void RemoveCloseEntry(QWidget* window);

} // namespace console
