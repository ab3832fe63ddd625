// The Help menu: forum, the program's readme, donation and the update check.

#include "frmMain.h"

#include "AppInfo.h"
#include "commands/mdlMainBrowser.h"
#include "windows/ProgramReadme.h"

void frmMain::mnuHelp_Click() {
    mdlMain::OpenInBrowser(AppInfo::kForumAddress);
}

void frmMain::mnuReadme_Click() {
    ProgramReadme::show(this);
}

void frmMain::mnuDonate_Click() {
    mdlMain::OpenDonationPage();
}

void frmMain::mnuUpdates_Click() {
    mdlMain::OpenInBrowser(AppInfo::updateAddress());
}
