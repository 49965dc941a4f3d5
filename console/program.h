#pragma once
// What main.cpp needs around the window: the box that reports an error the window let through.

#include <QString>

/// The error in a message box, over the normal pointer however many wait cursors are still set.
void ShowErrorBox(const QString& text);
