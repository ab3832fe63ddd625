// The Help menu: forum, the program's readme, donation and the update check.

#include "frmMain.h"

#include "AppInfo.h"
#include "common/UiServices.h"
#include "mdlMain.h"
#include "windows/frmInfo.h"

#include <QPlainTextEdit>

using quorlin::UiServices;

void frmMain::mnuHelp_Click() {
    mdlMain::OpenInBrowser(AppInfo::kForumAddress);
}

void frmMain::mnuReadme_Click() {
    const QString readme = mdlMain::programFolder() + QStringLiteral("\\readme.txt");
    if (mdlMain::ChkFileExist(readme)) {
        frmInfo info(this);
        info.Text1->setPlainText(mdlMain::ReadFromFile(readme));
        info.setWindowTitle(QStringLiteral("Quorlin Visual Style Manager Readme"));
        UiServices::showModal(&info);
        return;
    }
    UiServices::msgBox(
        QStringLiteral("Kolvane is unable to locate the readme file. Please download the latest "
                       "version from Zevra's official Download site(") +
            AppInfo::kDownloadSite + QStringLiteral(")."),
        quorlin::MsgExclamation, QStringLiteral("Unable to locate readme.txt"));
}

void frmMain::mnuDonate_Click() {
    mdlMain::OpenInBrowser(AppInfo::donationAddress());
    // Shown whether or not the browser could be started.
    UiServices::msgBox(
        QStringLiteral("Thank you for choosing to donate to us. Your browser window should now be "
                       "opened showing you Paypal."),
        quorlin::MsgInformation, QStringLiteral("Thank you"));
}

void frmMain::mnuUpdates_Click() {
    mdlMain::OpenInBrowser(AppInfo::updateAddress());
}
