#pragma once
// The message box the program shows: buttons and icon by style number, its text laid out
// so that long addresses and paths wrap inside the box.

#include <QString>

#include <memory>

class QMessageBox;

namespace quorlin {

// A message box for the style (buttons 0 OK, 1 OK/Cancel, 3 Yes/No/Cancel, 4 Yes/No,
// 5 Retry/Cancel; icon 16 stop, 32 question, 48 exclamation, 64 information) with the
// caption. Ctrl+C copies the text as given.
std::unique_ptr<QMessageBox> makeMessageBox(const QString& text, int style, const QString& caption);

// The text as the box lays it out: a word too long for a line (an address, a long path)
// may break after its slashes, backslashes, '?' and '&', and every forty characters at
// worst; inside shorter words nothing breaks, so "C:" stays with the folders after it.
// The marks it adds are invisible (U+200B, U+2060).
QString wrappableText(const QString& text);

} // namespace quorlin
