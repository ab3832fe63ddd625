#include "frmReadme.h"

#include "Twips.h"

#include <QFont>
#include <QPlainTextEdit>

namespace QuorlinDLL {

using quorlin::twipsRect;
using quorlin::twipsToPixels;

QString frmReadme::readmeText() {
    static const char* const lines[] = {
        "Quorlin Functions DLL",
        "Readme Document",
        "  ",
        "Introduction",
        "========",
        "Quorlin Functions DLL is a dynamic reference library which allows developers to ",
        "invoke more advance programming functions and sub-programs. ",
        "  ",
        "It is a free tool for developers to add in as a reference library into their ",
        "development projects. Functions such as accessing the registry, and more is ",
        "included. ",
        "  ",
        "Programmer Notes",
        "============",
        "Quorlin Functions DLL is made by Quorlin. The newest version is on the download ",
        "site at http://download.quorlin.example/ . ",
        "The library is free to use in any program. Every program that uses it must ",
        "credit Quorlin, in its about window or in its documentation. ",
        "If the library saves you time, please consider a donation through ",
        "http://www.quorlin.example/ . ",
        "  ",
        "Problems and suggestions: write to support@quorlin.example or visit the forum ",
        "at http://forum.quorlin.example/ . ",
    };
    QStringList out;
    for (const char* line : lines)
        out << QString::fromLatin1(line);
    return out.join(QStringLiteral("\r\n"));
}

frmReadme::frmReadme(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmReadme"));
    setWindowTitle(QStringLiteral("Quorlin Functions DLL Readme"));
    setFixedSize(twipsToPixels(6360), twipsToPixels(4785));

    Text1 = new QPlainTextEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    QFont f(QStringLiteral("Tahoma"));
    f.setPointSizeF(8.25);
    Text1->setFont(f);
    Text1->setGeometry(twipsRect(120, 120, 6135, 4575));
    Text1->setReadOnly(true);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The text box keeps lines as paragraphs; the CR LF pairs become its line breaks.
    Text1->setPlainText(readmeText().split(QStringLiteral("\r\n")).join(QLatin1Char('\n')));
}

} // namespace QuorlinDLL
