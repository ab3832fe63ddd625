#pragma once
// Wine's theme service as the window-less commands reach it: the current root's (whether
// it can be reached decided once a command) or, in tests, a script; how a run's outcome is
// worded; and, after a run that did not end cleanly, what the registry holds deciding
// whether the change took. Apply, the classic look and the looks of the Appearance window
// and --scheme all go through here.

#include "platform/ThemeService.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace ThemeServiceRun {

// The theme service scripted by tests: why it cannot be tried (empty when it can), and its
// runs: run gets {"apply", DllName text, colour, size} or {"classic"}, runLook a look and
// whether it switches to the classic look. nullopt goes back to the real one.
struct Script {
    std::function<QString()> whyUnreachable;
    std::function<platform::ThemeOutcome(const QStringList& request)> run;
    std::function<platform::ThemeOutcome(const platform::Look& look, bool classic)> runLook;
};
void setScriptForTests(std::optional<Script> script);

// The theme service of the current root, or the tests' script, for one command.
class Reach {
public:
    Reach();
    // Why it cannot be reached, worded; empty when it can.
    QString unreachable() const;
    // Whether what keeps it from being reached is the prefix's Wine (one that may not be
    // started, or none found): the user can name another.
    bool unreachableForItsWine() const;
    platform::ThemeOutcome run(const QStringList& request);
    platform::ThemeOutcome runLook(const platform::Look& look, bool classic);

private:
    std::optional<platform::ThemeService> m_service;
};

// A run as the commands say it: applied, the service not reached (why: why not), or
// failed (why: the words that follow "was not applied: ", such as "Wine's theme service
// refused it: ...").
struct Verdict {
    enum Kind { Applied, CannotRun, Failed } kind = Applied;
    QString why;
};
Verdict verdict(const platform::ThemeOutcome& run);

// After a run that failed or was stopped part-way, what the registry holds decides: the
// change it was asked for (it took), what was there before (it did not), or anything else,
// or a registry that cannot be read (nobody can say).
enum class Settled { Took, Unchanged, CannotTell };
template <typename Record>
Settled settle(const std::optional<Record>& before, const std::optional<Record>& after,
               const std::function<bool(const Record&)>& isTheChange) {
    if (after && isTheChange(*after))
        return Settled::Took;
    if (!after || !before || *after != *before)
        return Settled::CannotTell;
    return Settled::Unchanged;
}

// What the user is told when a change did not take or may not have: subject is what was
// to be applied ("Visual Style Luna", "The classic look in the colour scheme Brick").
// "<subject> was not applied: the registry file F cannot be written (...)." and its kin,
// as far as the registry can tell why it refused the change.
QString registryRefusedMessage(const QString& subject);
// "<subject> was not applied: <why>."
QString failedMessage(const QString& subject, const QString& why);
// "<subject> may not have been applied: <why>; whether the change took cannot be told."
QString unknownMessage(const QString& subject, const QString& why);

} // namespace ThemeServiceRun
