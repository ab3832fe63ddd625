// Archives and style files dropped on the main window are installed as Install installs
// them, one after the other, and the list is refreshed once at the end. Anything else is
// refused.

#include "frmMain.h"

#include "commands/HostText.h"
#include "commands/InstallArchive.h"
#include "common/UiServices.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include <sys/stat.h>

using quorlin::UiServices;

namespace {

// The archives the extraction reads, by the endings people know them by, and style files
// given on their own.
bool isInstallable(const QString& file) {
    static const QStringList endings = {
        QStringLiteral(".zip"),     QStringLiteral(".7z"),     QStringLiteral(".rar"),
        QStringLiteral(".tar"),     QStringLiteral(".tar.gz"), QStringLiteral(".tgz"),
        QStringLiteral(".tar.bz2"), QStringLiteral(".tbz2"),   QStringLiteral(".tbz"),
        QStringLiteral(".tar.xz"),  QStringLiteral(".txz"),    QStringLiteral(".tar.zst"),
    };
    struct stat st {};
    if (::stat(HostText::toBytes(file).c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    if (isStyleFile(file))
        return true;
    const QFileInfo info(file);
    for (const QString& ending : endings) {
        if (info.fileName().endsWith(ending, Qt::CaseInsensitive) && info.fileName().size() > ending.size())
            return true;
    }
    return false;
}

} // namespace

void frmMain::installArchiveFiles(const QStringList& files) {
    if (!idle() || files.isEmpty())
        return;
    QStringList refused;
    for (const QString& file : files) {
        // A file by its name; an address, or a folder that ends in a slash, as it is.
        const QFileInfo info(file);
        if (!isInstallable(file))
            refused.append(info.isAbsolute() && !info.fileName().isEmpty() ? info.fileName() : file);
    }
    if (!refused.isEmpty()) {
        UiServices::msgBox(QStringLiteral("Only archives (ZIP, 7z, RAR or tar files) and style files "
                                          "(.msstyles) can be dropped here to install the visual styles they "
                                          "hold. Not an archive or a style file: ") +
                               refused.join(QStringLiteral(", ")) +
                               QStringLiteral(". Nothing was installed."),
                           quorlin::MsgExclamation);
        return;
    }
    installArchives(files);
    if (!m_ending)
        cmdRefresh_Click();
}

void frmMain::dragEnterEvent(QDragEnterEvent* event) {
    // Whatever names files or places is taken, so that a wrong one can be refused with
    // a word rather than a forbidden pointer alone.
    if (idle() && event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void frmMain::dropEvent(QDropEvent* event) {
    if (!idle() || !event->mimeData()->hasUrls()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls()) {
        // A local file by the bytes of its name, which need not be UTF-8.
        if (url.isLocalFile() && url.host().isEmpty())
            files.append(HostText::fromBytes(
                QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString()));
        else
            files.append(url.isLocalFile() ? url.toLocalFile() : url.toString());
    }
    // The install runs after the drop is done with, so the program the archives were
    // dragged from is not kept waiting for it.
    QMetaObject::invokeMethod(
        this, [this, files] { installArchiveFiles(files); }, Qt::QueuedConnection);
}
