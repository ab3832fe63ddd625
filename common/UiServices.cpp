#include "UiServices.h"

#include "MessageBox.h"
#include "ProblemText.h"
#include "platform/Process.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <ctime>
#include <deque>
#include <optional>
#include <thread>

namespace quorlin {
namespace {

struct Script {
    bool scripted = false;
    std::deque<int> answers;
    std::deque<QString> fileNames;
    std::deque<QColor> colors;
    std::deque<bool> startResults;
    bool realStarts = false;
    std::function<void(QWidget*)> modalHandler;
    QList<UiServices::Message> messages;
    QList<UiServices::FileDialogRequest> fileDialogs;
    QList<UiServices::ColorDialogRequest> colorDialogs;
    QStringList started;
    QList<QPointer<QWidget>> modalWindows;
    QStringList modalTitles;
};

Script& script() {
    static Script s;
    return s;
}

int pointerCode = PointerDefault;

// Milliseconds on the coarse monotonic clock. Its few milliseconds of resolution are
// plenty for a latency of 15 ms, and it costs a fraction of the fine clock, which matters
// when every line of a loop asks whether input may be waiting.
int64_t coarseMilliseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// When the event loop last ran.
int64_t& lastEvents() {
    static int64_t moment = coarseMilliseconds();
    return moment;
}

// How long a loop may run before it lets waiting input through.
constexpr int64_t kInputLatencyMs = 15;

int firstButtonAnswer(int style) {
    switch (style & 0xF) {
    case 3:
    case 4:
        return AnswerYes;
    case 5:
        return AnswerRetry;
    default:
        return AnswerOk;
    }
}

QString defaultTitle(const QString& title) {
    return title.isEmpty() ? QCoreApplication::applicationName() : title;
}

} // namespace

int UiServices::msgBox(const QString& text, int style, const QString& title) {
    const QString caption = defaultTitle(title);
    Script& s = script();
    if (s.scripted) {
        s.messages.append({text, style, caption});
        if (s.answers.empty())
            return firstButtonAnswer(style);
        const int answer = s.answers.front();
        s.answers.pop_front();
        return answer;
    }

    const auto box = makeMessageBox(text, style, caption);
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int result = box->exec();
    QApplication::restoreOverrideCursor();
    switch (result) {
    case QMessageBox::Yes:
        return AnswerYes;
    case QMessageBox::No:
        return AnswerNo;
    case QMessageBox::Cancel:
        return AnswerCancel;
    case QMessageBox::Retry:
        return AnswerRetry;
    default:
        // Closing a Yes/No box by its title bar counts as its last button, as Cancel
        // does where there is one.
        if ((style & 0xF) == 4)
            return AnswerNo;
        if ((style & 0xF) == 3 || (style & 0xF) == 1 || (style & 0xF) == 5)
            return AnswerCancel;
        return AnswerOk;
    }
}

namespace {

QString runFileDialog(bool save, const QString& title, const QString& filter, const QString& fileName,
                      bool folder = false) {
    Script& s = script();
    if (s.scripted) {
        s.fileDialogs.append({save, title, filter, fileName, folder});
        if (s.fileNames.empty())
            return QString();
        const QString name = s.fileNames.front();
        s.fileNames.pop_front();
        return name;
    }
    QFileDialog dialog(QApplication::activeWindow(), title, QString(), toQtFilter(filter));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(folder ? QFileDialog::Directory
                       : save ? QFileDialog::AnyFile
                              : QFileDialog::ExistingFile);
    if (folder) {
        dialog.setOption(QFileDialog::ShowDirsOnly);
        // Prefixes live in hidden folders (~/.wine): they must be there to pick.
        dialog.setFilter(QDir::AllDirs | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    if (!fileName.isEmpty())
        dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

} // namespace

QString UiServices::openFileName(const QString& title, const QString& filter, const QString& fileName) {
    return runFileDialog(false, title, filter, fileName);
}

QString UiServices::saveFileName(const QString& title, const QString& filter, const QString& fileName) {
    return runFileDialog(true, title, filter, fileName);
}

QString UiServices::folderName(const QString& title) {
    return runFileDialog(false, title, QString(), QString(), true);
}

QColor UiServices::chooseColor(const QColor& initial, const QString& title) {
    Script& s = script();
    if (s.scripted) {
        s.colorDialogs.append({initial, title});
        if (s.colors.empty())
            return QColor();
        const QColor color = s.colors.front();
        s.colors.pop_front();
        return color;
    }
    return QColorDialog::getColor(initial, QApplication::activeWindow(), title);
}

void UiServices::showModal(QWidget* window) {
    if (!window)
        return;
    Script& s = script();
    if (s.scripted) {
        s.modalWindows.append(window);
        s.modalTitles.append(window->windowTitle());
        if (s.modalHandler)
            s.modalHandler(window);
        return;
    }
    if (auto* dialog = qobject_cast<QDialog*>(window)) {
        dialog->exec();
        return;
    }
    // A plain widget: make it application-modal and wait until it is hidden or gone.
    QPointer<QWidget> guard(window);
    window->setWindowModality(Qt::ApplicationModal);
    window->show();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (!guard || !guard->isVisible())
            loop.quit();
    });
    QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
    poll.start(50);
    loop.exec();
}

namespace {

// A process start as scripted, or nothing when it is to be really made.
std::optional<bool> scriptedStart(const QString& commandLine, QString* error) {
    Script& s = script();
    if (!s.scripted)
        return std::nullopt;
    s.started.append(commandLine);
    if (s.realStarts)
        return std::nullopt;
    bool ok = true;
    if (!s.startResults.empty()) {
        ok = s.startResults.front();
        s.startResults.pop_front();
    }
    if (!ok && error)
        *error = QStringLiteral("The program was not started (a scripted failure).");
    return ok;
}

bool outcome(const platform::Problem& failure, QString* error) {
    if (failure && error)
        *error = QString::fromStdString(problemSentence(failure));
    return !failure;
}

} // namespace

bool UiServices::startProcess(const QString& commandLine, int showState, QString* error) {
    if (const auto scripted = scriptedStart(commandLine, error))
        return *scripted;
    return outcome(platform::startProcess(commandLine.toStdString(), showState), error);
}

bool UiServices::startProgram(const QString& command, const QString& argument, int showState,
                              QString* error) {
    if (const auto scripted = scriptedStart(command + QLatin1Char(' ') + argument, error))
        return *scripted;
    return outcome(platform::startProcess(command.toStdString(), argument.toStdString(), showState), error);
}

void UiServices::setMousePointer(int code) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        pointerCode = code;
        return;
    }
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    if (code == PointerArrowHourglass)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else if (code == PointerHourglass)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    pointerCode = code == PointerArrowHourglass || code == PointerHourglass ? code : PointerDefault;
}

int UiServices::mousePointer() {
    return pointerCode;
}

void UiServices::doEvents() {
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
    lastEvents() = coarseMilliseconds();
}

bool UiServices::inputWaiting() {
    return coarseMilliseconds() - lastEvents() >= kInputLatencyMs;
}

void UiServices::waitForEvents(int msecs) {
    if (msecs < 0)
        msecs = 0;
    if (!QCoreApplication::instance()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(msecs));
        return;
    }
    // Blocks until events arrive; the timer bounds the sleep. Any event delivered ends
    // the wait early, so the caller can look at its clock again.
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(msecs);
    QEventLoop loop;
    loop.processEvents(QEventLoop::WaitForMoreEvents);
    lastEvents() = coarseMilliseconds();
}

void UiServices::setScripted(bool scripted) {
    script().scripted = scripted;
}
bool UiServices::isScripted() {
    return script().scripted;
}
void UiServices::setNextAnswer(int answer) {
    script().answers.push_back(answer);
}
void UiServices::setNextFileName(const QString& hostPath) {
    script().fileNames.push_back(hostPath);
}
void UiServices::setNextColor(const QColor& color) {
    script().colors.push_back(color);
}
void UiServices::setNextStartResult(bool started) {
    script().startResults.push_back(started);
}
void UiServices::setRealProcessStarts(bool real) {
    script().realStarts = real;
}
void UiServices::setModalHandler(std::function<void(QWidget*)> handler) {
    script().modalHandler = std::move(handler);
}
QList<UiServices::Message> UiServices::messages() {
    return script().messages;
}
QList<UiServices::FileDialogRequest> UiServices::fileDialogs() {
    return script().fileDialogs;
}
QList<UiServices::ColorDialogRequest> UiServices::colorDialogs() {
    return script().colorDialogs;
}
QStringList UiServices::startedCommands() {
    return script().started;
}
QList<QWidget*> UiServices::modalWindows() {
    QList<QWidget*> out;
    for (const auto& w : script().modalWindows)
        out.append(w.data());
    return out;
}
QStringList UiServices::modalWindowTitles() {
    return script().modalTitles;
}

void UiServices::resetScript() {
    Script& s = script();
    const bool scripted = s.scripted;
    s = Script();
    s.scripted = scripted;
}

QString toQtFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        const QString patterns = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        // Qt reads the patterns from the parentheses; add them when the text lacks them.
        if (!description.contains(QLatin1Char('(')))
            description += QStringLiteral(" (") + patterns + QLatin1Char(')');
        else if (!description.endsWith(QLatin1Char(')')) || !description.contains(patterns))
            description += QStringLiteral(" (") + patterns + QLatin1Char(')');
        out.append(description);
    }
    return out.join(QStringLiteral(";;"));
}

} // namespace quorlin
