#pragma once

#include <QString>

class QAction;
class QMenu;

namespace roruvez {

// A checkable menu item that assistive technologies are told is a switch, on or off. Qt 6.4
// gives a checkable item the plain menu item role, and its AT-SPI bridge sends no "checkable"
// state, so a screen reader says nothing of an item that is off.
QAction* addSwitchItem(QMenu& menu, const QString& text);

}  // namespace roruvez
