#include "system_menu.h"

namespace console {

// Without a system menu of its own the window's flags already leave out the close button.
void RemoveCloseEntry(QWidget*) {}

} // namespace console
