#include "MessageBox.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>

namespace quorlin {
namespace {

constexpr QChar kMayBreak(0x200B);     // zero width space
constexpr QChar kMustNotBreak(0x2060); // word joiner
// A word of more characters than this may not fit a line of the box.
constexpr qsizetype kLongWord = 40;

bool isSeparator(QChar c) {
    return c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char('?') || c == QLatin1Char('&');
}

// Copies the text as given, not as laid out, with Ctrl+C.
class CopyAsGiven : public QObject {
public:
    CopyAsGiven(QObject* parent, const QString& text) : QObject(parent), m_text(text) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy))
            return false;
        if (QClipboard* clipboard = QGuiApplication::clipboard())
            clipboard->setText(m_text);
        return true;
    }

private:
    QString m_text;
};

} // namespace

QString wrappableText(const QString& text) {
    QString out;
    out.reserve(text.size() * 2);
    qsizetype i = 0;
    while (i < text.size()) {
        if (text[i].isSpace()) {
            out += text[i++];
            continue;
        }
        qsizetype end = i;
        while (end < text.size() && !text[end].isSpace())
            ++end;
        const bool longWord = end - i > kLongWord;
        // A drive's colon and backslash stay with what follows them.
        const bool drive = end - i > 2 && text[i + 1] == QLatin1Char(':');
        qsizetype run = 0;
        for (qsizetype k = i; k < end; ++k) {
            const QChar c = text[k];
            out += c;
            ++run;
            if (k + 1 == end)
                break;
            if (longWord && ((isSeparator(c) && !(drive && k <= i + 2)) || run >= kLongWord)) {
                out += kMayBreak;
                run = 0;
            } else if (!c.isLetterOrNumber() || !text[k + 1].isLetterOrNumber()) {
                out += kMustNotBreak;
            }
        }
        i = end;
    }
    return out;
}

std::unique_ptr<QMessageBox> makeMessageBox(const QString& text, int style, const QString& caption) {
    auto box = std::make_unique<QMessageBox>();
    box->setWindowTitle(caption);
    box->setTextFormat(Qt::PlainText);
    box->setText(wrappableText(text));
    box->installEventFilter(new CopyAsGiven(box.get(), text));
    switch (style & 0x70) {
    case 16:
        box->setIcon(QMessageBox::Critical);
        break;
    case 32:
        box->setIcon(QMessageBox::Question);
        break;
    case 48:
        box->setIcon(QMessageBox::Warning);
        break;
    case 64:
        box->setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    switch (style & 0xF) {
    case 1:
        box->setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case 3:
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    case 4:
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case 5:
        box->setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
        break;
    default:
        box->setStandardButtons(QMessageBox::Ok);
        break;
    }
    return box;
}

} // namespace quorlin
