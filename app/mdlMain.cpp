#include "mdlMain.h"

#include "AppInfo.h"
#include "HostText.h"
#include "InstallArchive.h"
#include "RootChoice.h"
#include "common/AnsiText.h"
#include "common/RuntimeError.h"
#include "common/UiServices.h"
#include "common/prgmain.h"
#include "control/QLFunctions.h"
#include "devlib/Functions.h"
#include "main/Artwork.h"
#include "main/frmMain.h"
#include "platform/DirectoryListing.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/Registry.h"
#include "platform/WindowsRoot.h"
#include "windows/frmSplash.h"

#include <QApplication>
#include <QPointer>
#include <QStringDecoder>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>

#include <unistd.h>

using quorlin::UiServices;

namespace mdlMain {
namespace {

QPointer<QLFunctions> g_control;

QLFunctions& spareControl() {
    // Lives until the program ends, like the main window's own control would.
    static QLFunctions* spare = new QLFunctions();
    return *spare;
}

const QString kStartMenuInternet = QStringLiteral("SOFTWARE\\Clients\\StartMenuInternet");
// What a Linux desktop opens addresses and files with.
constexpr char kDesktopOpener[] = "xdg-open";

QString readDefault(Functions::HKEYEnum root, const QString& key, const QString& defaultValue) {
    Functions::HKEYEnum hKey = root;
    QString subkey = key;
    QString valueName;
    Functions::RegKeyTypes type = Functions::REG_SZ;
    QString fallback = defaultValue;
    return Functions::instance().ReadRegistry(hKey, subkey, valueName, type, fallback);
}

// The browser's key name: the user's choice, else the machine's.
QString browserKeyName() {
    const QString machine = readDefault(Functions::HKEY_LOCAL_MACHINE, kStartMenuInternet, QString());
    return readDefault(Functions::HKEY_CURRENT_USER, kStartMenuInternet, machine);
}

} // namespace

int Main(const QStringList& archives) {
    // The desktop matches the program's windows to its menu entry, and each window carries
    // the program's icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.quorlin.kolvmgr"));
    QApplication::setWindowIcon(Artwork::programIcon());
    {
        auto splash = std::make_unique<frmSplash>();
        UiServices::showModal(splash.get());
    }
    ReportStartupProblems();
    removeInstallLeftovers(themesDirectory());
    // Hiding the main window to the tray must not end the program; only its own
    // unload or Exit does.
    QApplication::setQuitOnLastWindowClosed(false);
    auto window = std::make_unique<frmMain>();
    window->Form_Load();
    window->show();
    if (!archives.isEmpty())
        window->offerToInstall(archives);
    // Start-up checks and measurements run the program to its first shown window only.
    if (qEnvironmentVariableIsSet("KOLV_QUIT_AFTER_START"))
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    return QApplication::exec();
}

QString missingRootMessage(const QString& root, bool fromWinePrefix, bool fromCommandLine, bool isFile) {
    const QString state =
        isFile ? QStringLiteral(" is a file, not a folder") : QStringLiteral(" does not exist");
    if (fromCommandLine)
        return QStringLiteral("The Wine prefix ") + root + QStringLiteral(" that --prefix names") + state +
               QStringLiteral(
                   ", so there are no visual styles to manage and no settings can be saved. Name an "
                   "existing Wine prefix.");
    if (fromWinePrefix)
        return QStringLiteral("The Wine prefix ") + root + QStringLiteral(" that WINEPREFIX names") + state +
               QStringLiteral(", so there are no visual styles to manage and no settings can be saved. Set "
                              "WINEPREFIX to an existing Wine prefix, or unset it to use ~/.wine, and start "
                              "the program again.");
    return QStringLiteral("The folder ") + root + QStringLiteral(" that holds this program's Windows side") +
           (isFile ? state : state + QStringLiteral(" and could not be made")) +
           QStringLiteral(", so there are no visual styles to manage and no settings can be saved.");
}

QString unreadableRootMessage(const QString& root, const QString& why) {
    return QStringLiteral("The Wine prefix ") + root + QStringLiteral(" cannot be read (") + why +
           QStringLiteral("), so there are no visual styles to manage and no settings can be saved.");
}

void ReportStartupProblems() {
    // Each is said once, before anything tries to write: afterwards the commands could
    // only fail quietly or report success for what was never saved.
    for (const StartupProblem& problem : startupProblems())
        UiServices::msgBox(problem.text, problem.style);
}

QList<StartupProblem> startupProblems() {
    QList<StartupProblem> problems;
    const std::filesystem::path root = platform::windowsRoot();
    std::error_code ec;
    if (!std::filesystem::is_directory(root, ec)) {
        const platform::RootSource source = platform::windowsRootSource();
        problems.append({missingRootMessage(
                             HostText::fromBytes(root.native()), source == platform::RootSource::WinePrefix,
                             source == platform::RootSource::Chosen, std::filesystem::exists(root, ec)),
                         quorlin::MsgExclamation, true});
        return problems;
    }
    // A folder that cannot be read is one problem, said once, rather than one for every
    // file in it that then cannot be read.
    if (::access(root.c_str(), R_OK | X_OK) != 0) {
        problems.append({unreadableRootMessage(HostText::fromBytes(root.native()),
                                               QString::fromLocal8Bit(std::strerror(errno))),
                         quorlin::MsgExclamation, true});
        return problems;
    }
    // The root picked last time is passed over when it holds no prefix any more.
    if (const QString passedOver = RootChoice::rememberedRefusal(); !passedOver.isEmpty())
        problems.append({passedOver, quorlin::MsgExclamation, false});
    auto& registry = platform::Registry::current();
    // The registry says on standard error what it cannot read as it reads it.
    if (const std::string unreadable = registry.unreadableHiveMessage(); !unreadable.empty())
        problems.append({QString::fromStdString(unreadable), quorlin::MsgExclamation, false, true});
    // While Wine runs for this prefix its registry is held in memory: changes go through
    // its registry tool, and where that cannot be started nothing can be saved.
    if (const std::string busy = registry.busyPrefixMessage(); !busy.empty())
        problems.append({QString::fromStdString(busy), quorlin::MsgExclamation, false});
    if (const std::string note = registry.wineWritesNote(); !note.empty())
        problems.append({QString::fromStdString(note), quorlin::MsgInformation, false});
    return problems;
}

QString windowsDirectoryText() {
    char buffer[500];
    std::fill(std::begin(buffer), std::end(buffer), ' ');
    platform::GetWindowsDirectoryA(buffer, sizeof buffer);
    QString text = QString::fromLatin1(buffer, sizeof buffer).trimmed();
    if (!text.isEmpty())
        text.chop(1);
    // The buffer is cut at its terminating null like any text the platform writes.
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0)
        text.truncate(nul);
    return text;
}

QString themesDirectory() {
    return windowsDirectoryText() + QStringLiteral("\\Resources\\Themes\\");
}

QString missingThemesMessage(const QString& windowsDirectory) {
    return QStringLiteral("Error: unable to find folder ") + windowsDirectory +
           QStringLiteral("\\Resources\\Themes which contains all the visual styles.");
}

bool checkThemesDirectory() {
    const QString windows = windowsDirectoryText();
    if (ChkPathExist(windows + QStringLiteral("\\Resources\\Themes\\")))
        return true;
    UiServices::msgBox(missingThemesMessage(windows), quorlin::MsgOk);
    return false;
}

QLFunctions& functions() {
    return g_control ? *g_control : spareControl();
}

void setFunctionsControl(QLFunctions* control) {
    g_control = control;
}

bool windowsAvailable() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

// Without windows (the command line) there is no control to call: the routines behind its
// members are called directly.
bool ChkPathExist(const QString& path) {
    if (!windowsAvailable())
        return prgmain::ChkPathExist(path);
    QVariantList args{path};
    return functions().invoke(QLFunctions::DispChkPathExist, args).toBool();
}

bool ChkFileExist(const QString& filename) {
    if (!windowsAvailable())
        return prgmain::ChkFileExist(filename);
    QVariantList args{filename};
    return functions().invoke(QLFunctions::DispChkFileExist, args).toBool();
}

void WriteRegStr(int hKey, const QString& subkey, const QString& keyName, const QString& keyValue) {
    if (!windowsAvailable())
        return prgmain::WriteRegStr(hKey, subkey, keyName, keyValue);
    QVariantList args{hKey, subkey, keyName, keyValue};
    functions().invoke(QLFunctions::DispWriteRegStr, args);
}

QString ReadFromFile(const QString& filename) {
    if (!windowsAvailable())
        return prgmain::ReadFromFile(filename);
    QVariantList args{filename};
    return functions().invoke(QLFunctions::DispReadFromFile, args).toString();
}

QString ReadTextFile(const QString& filename) {
    const QString text = ReadFromFile(filename);
    // ReadFromFile reads the ANSI code page; turning its text back into the file's bytes
    // loses nothing, and UTF-8 is what readmes written today are in.
    const std::string bytes = quorlin::toAnsi(text);
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return text;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString decoded = utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return utf8.hasError() ? text : decoded;
}

QString GetDefaultBrowserName() {
    return readDefault(Functions::HKEY_LOCAL_MACHINE,
                       kStartMenuInternet + QLatin1Char('\\') + browserKeyName(),
                       QStringLiteral("Internet Explorer"));
}

QString GetDefaultBrowserCommand() {
    return readDefault(Functions::HKEY_LOCAL_MACHINE,
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

int CountInstalledStyles() {
    const QString themes = themesDirectory();
    QStringList counted;
    platform::DirectoryListing listing(themes.toStdString(), 16);
    while (auto name = listing.next()) {
        const QString entry = QString::fromStdString(*name);
        if (ChkPathExist(themes + entry + QLatin1Char('\\')) && entry != QLatin1String(".") &&
            entry != QLatin1String(".."))
            counted.append(entry);
        UiServices::doEvents();
    }
    return static_cast<int>(counted.size());
}

QString windowsPathOf(const QString& hostPath) {
    if (auto dos = platform::toDosPath(hostPath.toStdString()))
        return QString::fromStdString(*dos);
    return hostPath;
}

} // namespace mdlMain
