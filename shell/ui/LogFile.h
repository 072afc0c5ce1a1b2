// Keeping the log: when each line was added, and the log as a UTF-8 file, a
// first line naming the program, its version, the card and the date, then
// every line after the time it was added (ISO 8601, milliseconds).
#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

#include "link/Clock.h"

class QFileDialog;
class QPlainTextEdit;
class QWidget;

namespace kovex {

// Stamps each line the log gains, by whatever adds it (a handler, the poll
// list refresh, the user's typing), with the time it first holds text. The
// log's view is unchanged: the times live in the text blocks' user data.
class LogTimes final : public QObject {
public:
    // The wall-clock date at start moved on by the monotonic clock: times
    // never go back when the system clock is set.
    LogTimes(QPlainTextEdit& log, const MonotonicClock& clock);

    QDateTime Now() const;
    // Every line of the log after its time and one space; a line without a
    // time of its own (there before the stamping began, or added empty)
    // takes the line before it's, the first the start's.
    QString StampedLines() const;

private:
    void Stamp(int position, int added);

    QPlainTextEdit& log_;
    const MonotonicClock& clock_;
    QDateTime startDate_;
    Nanos startTime_;
};

// ISO 8601 with milliseconds and the offset from UTC.
QString LogTime(const QDateTime& time);
// "KOVEX Programmer 1.0.0, card 0000:03:00.0, log saved 2026-12-11T10:47:14.123+01:00"
QString LogHeader(const QString& cardName, const QDateTime& saved);
// Writes the text as UTF-8, replacing the file only once all of it is
// written; the reason when it could not be, empty when saved.
QString WriteLogFile(const QString& path, const QString& text);

// "Save Log As...": asks for a file (the dialog is built the first time) and
// writes the log to it; a file that cannot be written says so in the error
// box and leaves the log as it is, to be saved elsewhere.
class LogSaver {
public:
    // The window owns the dialog and the log its times; both outlive the saver.
    LogSaver(QWidget& window, QPlainTextEdit& log, const MonotonicClock& clock);
    void SaveAs(const QString& cardName);

private:
    QFileDialog& Dialog();

    QWidget& window_;
    LogTimes* times_ = nullptr;
    QFileDialog* dialog_ = nullptr;
};

}  // namespace kovex
