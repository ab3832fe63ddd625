#include "frmInfo.h"

#include <QFont>
#include <QPlainTextEdit>
#include <QPushButton>

frmInfo::frmInfo(QWidget* parent) : QDialog(parent) {
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(560, 420);
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    Text1 = new QPlainTextEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setReadOnly(true);
    Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setToolTip(QStringLiteral("information"));
    Text1->setGeometry(8, 8, 544, 368);
    Command1 = new QPushButton(QStringLiteral("Close"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setToolTip(QStringLiteral("close this window"));
    Command1->setGeometry(472, 386, 80, 26);
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &frmInfo::Command1_Click);
}

void frmInfo::Command1_Click() {
    close();
}
