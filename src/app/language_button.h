#pragma once
// The window's choice of language: a button in the status bar with a menu of
// the languages, each named in its own words.  The choice is remembered and
// takes effect at the next start.
class QToolButton;
class QWidget;

QToolButton* make_language_button(QWidget* parent);
