#pragma once
// Start-up creates the main window (the visit list) through this one
// function after a successful login, so the window can change without
// touching the program's entry.
class QWidget;

namespace vondrel {

// Creates the main window (not shown; it frees itself when closed).
QWidget *createMainWindow();

} // namespace vondrel
