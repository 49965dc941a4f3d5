#pragma once
// What the main window and the site window share around their own controls: the tool's icon, the looks of the
// panels and buttons both have, captions set by object name, the blinking lamp, the language switch and Esc.

#include "localisation/message_table.h"

#include <QColor>
#include <QString>

class QAbstractButton;
class QKeyEvent;
class QLabel;
class QPushButton;
class QWidget;
namespace platform {
class SettingsStore;
class System;
} // namespace platform

namespace console {

class TShape;

inline const QColor LampRed{255, 0, 0};
inline const QColor LampYellow{255, 255, 0};
inline const QColor LampWhite{255, 255, 255};

/// Text(id) as a QString.
QString Tr(localisation::TextId id);

/// The controls both windows have, each by its part.
struct Chrome {
    QLabel* message;          ///< the message panel, in the system's caption colour
    QAbstractButton* english; ///< in red letters while it can be pressed
    QLabel* company;          ///< pnVELNO
    QAbstractButton* exit;    ///< bold, with the close icon
};

/// The tool's icon on `window` and the looks of its shared controls; `system` gives the caption colour.
void ApplyChrome(QWidget& window, const Chrome& chrome, platform::System& system);
/// A panel or list that shows a reader's value or a count: the selection's colour with yellow letters, bold.
void ValueLooks(QWidget* panel);

/// Gives `text` to the control of `window` named `control`: the window's title, a label's or button's text, a
/// group box's title. False for a control that is none of these.
bool SetCaption(QWidget& window, const QString& control, const QString& text);

/// One tick of the blinking lamp: red and yellow in turn. `phase` is the window's, kept across runs of its timer,
/// so that a run goes on where the last one stopped.
void Blink(TShape& lamp, int& phase);
/// The busy lamp's tick, in milliseconds.
inline constexpr int BlinkMs = 200;

/// Makes `index` the language of both windows and remembers it; false when the settings key did not take it.
bool SwitchLanguage(platform::SettingsStore& store, int index);

/// Esc closes neither window: true, with the event taken, when `event` is Esc.
bool TakeEscape(QKeyEvent* event);

} // namespace console
