#pragma once
// The close box: on Windows the last system-menu entry (Close) is removed; elsewhere the window is built
// without a close button and ignores close requests, so btnExit is the only way out.

class QWidget;

void RemoveCloseEntry(QWidget* window);
