#pragma once
// The program's identity and the web addresses it opens, kept in one place.
//
// The hosts are placeholders under the reserved example domain until the project has
// real ones; change them here and nowhere else.

#include <QString>

namespace AppInfo {

inline const QString kTitle = QStringLiteral("Quorlin Visual Style Manager");
inline constexpr int kMajor = 3;
inline constexpr int kMinor = 26;
inline constexpr int kRevision = 2640;

// "3.26.2640"
inline QString versionNumbers() {
    return QStringLiteral("%1.%2.%3").arg(kMajor).arg(kMinor).arg(kRevision);
}
// "Version 3.26.2640"
inline QString versionText() { return QStringLiteral("Version ") + versionNumbers(); }
// "Quorlin Visual Style Manager 3.26"
inline QString mainCaption() { return kTitle + QStringLiteral(" %1.%2").arg(kMajor).arg(kMinor); }

// --- addresses -----------------------------------------------------------------------
inline const QString kMakerName = QStringLiteral("Quorlin");
inline const QString kMakerSite = QStringLiteral("http://www.quorlin.example");
inline const QString kForumName = QStringLiteral("Quorlin Forums");
inline const QString kForumHost = QStringLiteral("forum.quorlin.example");
inline const QString kForumAddress = QStringLiteral("http://forum.quorlin.example/");
inline const QString kDownloadSite = QStringLiteral("http://download.quorlin.example");
inline const QString kContactAddress = QStringLiteral("support@quorlin.example");
inline const QString kPaymentHost = QStringLiteral("https://payments.example");
inline const QString kPaymentAccount = QStringLiteral("donate@quorlin.example");

// "@" as "%40" and "." as "%2e".
inline QString encodeAccount(QString account) {
    return account.replace(QLatin1Char('@'), QStringLiteral("%40")).replace(QLatin1Char('.'), QStringLiteral("%2e"));
}
// ":" as "%3a", "/" as "%2f" and "." as "%2e".
inline QString encodeSite(QString site) {
    return site.replace(QLatin1Char(':'), QStringLiteral("%3a"))
        .replace(QLatin1Char('/'), QStringLiteral("%2f"))
        .replace(QLatin1Char('.'), QStringLiteral("%2e"));
}

// The payment service's donation form with its fixed query.
inline QString donationAddress() {
    const QString site = encodeSite(kMakerSite);
    return kPaymentHost + QStringLiteral("/cgi-bin/webscr?cmd=_xclick&business=") + encodeAccount(kPaymentAccount) +
           QStringLiteral("&no_shipping=1&return=") + site + QStringLiteral("&cancel_return=") + site +
           QStringLiteral("&cn=Comments&tax=0&currency_code=USD&bn=PP%2dDonationsBF&charset=UTF%2d8");
}

// The update page: the maker's site, "/zevra/updates/", "?v=" and the version numbers.
inline QString updateAddress() {
    return kMakerSite + QStringLiteral("/zevra/updates/?v=") + versionNumbers();
}

} // namespace AppInfo
