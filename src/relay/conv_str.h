#pragma once
// Hexadecimal text from a server log turned into the bytes of a reply.
#include <QByteArray>
#include <QString>

class Dialogs;

// Two digits a byte; blanks and line ends between digits are skipped.  Text
// with any other character shows "В строке имеются символы не принадлежащие
// HEX" and gives nothing.  Empty text gives nothing without a message.
QByteArray conv_str(const QString& text, Dialogs& dialogs);
