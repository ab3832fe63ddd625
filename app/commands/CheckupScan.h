#pragma once
// The checkup's scan without its window: five checks on every folder of the themes
// directory, the loose files beside them and a summary, as lines of a report. The
// checkup window and the command line's --check both run it, each as its host.

#include <QString>

#include <cstdint>

namespace checkup {

// What the scan asks of the one it reports to.
class ScanHost {
public:
    virtual ~ScanHost() = default;
    // The progress in percent and the status line.
    virtual void status(uint8_t percent, const QString& text) = 0;
    // The next line of the report.
    virtual void line(const QString& text) = 0;
    // The number of report lines so far.
    virtual int lineCount() const = 0;
    // The last line is to be shown selected (scrolled into view).
    virtual void selectLast() {}
    // Lets pending events through. False when the host went away: the scan returns at
    // once without touching it.
    virtual bool yield() { return true; }
    // Whether the user asked to cancel.
    virtual bool cancelRequested() const { return false; }
    // Says that the themes directory is missing (text is the program's message for it).
    // False when the host went away.
    virtual bool tellMissingThemes(const QString& text) = 0;
    // The second's pause before the summary. False when the host went away.
    virtual bool pauseOneSecond() = 0;
    // The progress display has done its job.
    virtual void hideProgress() {}
};

enum class ScanEnd {
    Completed, // the summary is written and the time of the check recorded
    Cancelled, // at a cancel point; the host ends the scan its own way
    Abandoned  // the host went away
};

// From the lookup of the themes directory to recording the time of the check (LastChk).
// start: the seconds since midnight when the check began; elapsed receives the time it
// took, as written in the report ("2.5"), when it completed.
ScanEnd runScan(ScanHost& host, float start, QString& elapsed);

// ---- texts and figures the scan and the checkup window share ------------------------------
// x rounded to the nearest whole number, halves to the even one, as a byte.
uint8_t roundPercent(double x);
// An elapsed time in single precision: up to seven significant digits, no trailing
// zeros ("2.5").
QString elapsedText(float seconds);
// The separator line closing each block of the list (76 hyphens).
QString separatorLine();

} // namespace checkup
