#pragma once
// The mouse wheel scrolls a window; it changes a value only in the control
// that has the focus.  Without this, scrolling a long form with the wheel
// changes every list, spin box and slider that passes under the pointer.
class QWidget;

// Guards every list, spin box and slider inside `root` (present now).
void guard_wheel(QWidget* root);
