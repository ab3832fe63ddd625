#pragma once
// The program's module, the default browser: web pages and pictures opened in it.

#include <QString>

namespace mdlMain {

// Starts the default browser on the address; reports a failure to start.
void OpenInBrowser(const QString& address);
QString GetDefaultBrowserName();
QString GetDefaultBrowserCommand();
// The donation page in the browser, then the thank-you message (shown whether or not the
// browser could be started).
void OpenDonationPage();

} // namespace mdlMain
