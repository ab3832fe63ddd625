#include "mdlMainBrowser.h"

#include "AppInfo.h"
#include "RegistryValues.h"
#include "common/UiServices.h"
#include "platform/Process.h"

using quorlin::UiServices;

namespace mdlMain {
namespace {

const QString kStartMenuInternet = QStringLiteral("SOFTWARE\\Clients\\StartMenuInternet");
// What a Linux desktop opens addresses and files with.
constexpr char kDesktopOpener[] = "xdg-open";

// The browser's key name: the user's choice, else the machine's.
QString browserKeyName() {
    const QString machine =
        RegistryValues::readText(Functions::HKEY_LOCAL_MACHINE, kStartMenuInternet, QString(), QString());
    return RegistryValues::readText(Functions::HKEY_CURRENT_USER, kStartMenuInternet, QString(), machine);
}

} // namespace

QString GetDefaultBrowserName() {
    return RegistryValues::readText(Functions::HKEY_LOCAL_MACHINE,
                                    kStartMenuInternet + QLatin1Char('\\') + browserKeyName(), QString(),
                                    QStringLiteral("Internet Explorer"));
}

QString GetDefaultBrowserCommand() {
    return RegistryValues::readText(Functions::HKEY_LOCAL_MACHINE,
                                    kStartMenuInternet + QLatin1Char('\\') + browserKeyName() +
                                        QStringLiteral("\\shell\\open\\command\\"),
                                    QString());
}

void OpenInBrowser(const QString& address) {
    const QString command = GetDefaultBrowserCommand();
    // The command is used as stored and the address follows it; a native browser gets the
    // address as one argument, blanks and all.
    bool started = UiServices::startProgram(command, address, 2);
    // Wine records no browser of its own, and a prefix may name one that is gone: the
    // desktop's own opener takes the address then.
    if (!started && platform::findProgramOnPath(kDesktopOpener))
        started = UiServices::startProgram(QString::fromLatin1(kDesktopOpener), address, 2);
    UiServices::doEvents();
    if (!started) {
        UiServices::msgBox(QStringLiteral("We are unable to load your default browser (") + command +
                               QStringLiteral(") to open the following page:") + QStringLiteral("\r\r\t") +
                               address,
                           quorlin::MsgOk);
    }
}

void OpenDonationPage() {
    OpenInBrowser(AppInfo::donationAddress());
    UiServices::msgBox(
        QStringLiteral("Thank you for choosing to donate to us. Your browser window should now be "
                       "opened showing you Paypal."),
        quorlin::MsgInformation, QStringLiteral("Thank you"));
}

} // namespace mdlMain
