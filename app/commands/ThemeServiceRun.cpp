#include "ThemeServiceRun.h"

#include "common/ProblemText.h"
#include "platform/Registry.h"
#include "platform/WindowsRoot.h"

namespace ThemeServiceRun {
namespace {

std::optional<Script>& script() {
    static std::optional<Script> s;
    return s;
}

} // namespace

void setScriptForTests(std::optional<Script> s) {
    script() = std::move(s);
}

Reach::Reach() {
    if (!script())
        m_service.emplace(platform::windowsRoot());
}

QString Reach::unreachable() const {
    if (script())
        return script()->whyUnreachable();
    return QString::fromStdString(quorlin::problemText(m_service->unreachable()));
}

bool Reach::unreachableForItsWine() const {
    return m_service && m_service->unreachable().concernsWineChoice();
}

platform::ThemeOutcome Reach::run(const QStringList& request) {
    if (script())
        return script()->run(request);
    if (request.constFirst() == QLatin1String("classic"))
        return m_service->applyClassic();
    return m_service->applyStyle(request.at(1).toStdString(), request.at(2).toStdString(),
                                 request.at(3).toStdString());
}

platform::ThemeOutcome Reach::runLook(const platform::Look& look, bool classic) {
    if (script())
        return script()->runLook(look, classic);
    return m_service->applyLook(look, classic);
}

Verdict verdict(const platform::ThemeOutcome& run) {
    using platform::ThemeOutcome;
    Verdict verdict{Verdict::Failed, QString::fromStdString(quorlin::problemText(run.why))};
    switch (run.kind) {
    case ThemeOutcome::Applied:
        verdict.kind = Verdict::Applied;
        break;
    case ThemeOutcome::CannotRun:
        verdict.kind = Verdict::CannotRun;
        break;
    case ThemeOutcome::Refused:
        verdict.why = QStringLiteral("Wine's theme service refused it: ") + verdict.why;
        break;
    case ThemeOutcome::Failed:
        verdict.why = QStringLiteral("Wine's theme service failed: ") + verdict.why;
        break;
    case ThemeOutcome::NotRecorded:
        verdict.why =
            QStringLiteral("its values could not be recorded after Wine's theme service took it: ") +
            verdict.why;
        break;
    case ThemeOutcome::TimedOut:
        verdict.why = QStringLiteral("Wine's theme service did not answer: ") + verdict.why;
        break;
    case ThemeOutcome::Interrupted:
        verdict.why = QStringLiteral("Wine's theme service was stopped before it answered: ") + verdict.why;
        break;
    }
    return verdict;
}

QString registryRefusedMessage(const QString& subject) {
    const platform::Registry::WriteProblem problem = platform::Registry::current().writeProblem();
    if (problem.kind == platform::Registry::WriteProblem::FileNotWritable)
        return subject + QStringLiteral(" was not applied: the registry file ") +
               QString::fromStdString(problem.file) + QStringLiteral(" cannot be written (") +
               QString::fromStdString(quorlin::problemText(problem.why, problem.file)) + QStringLiteral(").");
    if (problem.kind == platform::Registry::WriteProblem::NotTaken && problem.why.concernsWineChoice())
        return subject +
               QStringLiteral(
                   " was not applied: Wine is running in the prefix, and no wine that can reach it "
                   "may be started (") +
               QString::fromStdString(quorlin::problemText(problem.why)) + QStringLiteral(").");
    if (problem.kind == platform::Registry::WriteProblem::Unknown)
        return subject +
               QStringLiteral(
                   " may not have been applied: whether the registry took the change cannot be told (") +
               QString::fromStdString(quorlin::problemText(problem.why) + "; " +
                                      quorlin::problemText(problem.check)) +
               QStringLiteral(").");
    return subject + QStringLiteral(" was not applied: the registry did not take the change.");
}

QString failedMessage(const QString& subject, const QString& why) {
    return subject + QStringLiteral(" was not applied: ") + why + QLatin1Char('.');
}

QString unknownMessage(const QString& subject, const QString& why) {
    return subject + QStringLiteral(" may not have been applied: ") + why +
           QStringLiteral("; whether the change took cannot be told.");
}

} // namespace ThemeServiceRun
