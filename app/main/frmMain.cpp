#include "frmMain.h"

#include "AppInfo.h"
#include "control/QLFunctions.h"
#include "mdlMain.h"

frmMain::frmMain(QWidget* parent) : QWidget(parent) {
    setFixedSize(600, 399);
    functions = new QLFunctions(this);
    functions->move(0, 420);
    mdlMain::setFunctionsControl(functions);
}

frmMain::~frmMain() { mdlMain::setFunctionsControl(nullptr); }

void frmMain::Form_Load() { setWindowTitle(AppInfo::mainCaption()); }
