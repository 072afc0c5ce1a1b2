#include "shell/ui/LogFile.h"

#include <QPlainTextEdit>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextDocument>
#include <chrono>

#include "seam/SlotGuard.h"

namespace kovex {

namespace {

struct LineTime final : QTextBlockUserData {
    explicit LineTime(QDateTime at) : time(std::move(at)) {}
    QDateTime time;
};

const LineTime* TimeOf(const QTextBlock& block) {
    return dynamic_cast<const LineTime*>(block.userData());
}

}  // namespace

LogTimes::LogTimes(QPlainTextEdit& log, const MonotonicClock& clock)
    : QObject(&log),
      log_(log),
      clock_(clock),
      startDate_(QDateTime::currentDateTime()),
      startTime_(clock.Now()) {
    connect(log.document(), &QTextDocument::contentsChange, this,
            [this](int position, int /*removed*/, int added) { Stamp(position, added); });
}

QDateTime LogTimes::Now() const {
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(clock_.Now() - startTime_);
    return startDate_.addMSecs(elapsed.count());
}

void LogTimes::Stamp(int position, int added) {
    const QTextDocument& document = *log_.document();
    const QTextBlock last = document.findBlock(position + added);
    for (QTextBlock block = document.findBlock(position); block.isValid(); block = block.next()) {
        // Qt's document owns the data from here on.
        if (block.userData() == nullptr && !block.text().isEmpty()) block.setUserData(new LineTime(Now()));
        if (block == last) break;
    }
}

QString LogTimes::StampedLines() const {
    const QTextDocument& document = *log_.document();
    QString text;
    if (document.isEmpty()) return text;
    QDateTime time = startDate_;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (const LineTime* stamped = TimeOf(block)) time = stamped->time;
        text += LogTime(time) + ' ' + block.text() + '\n';
    }
    return text;
}

QString LogTime(const QDateTime& time) {
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

QString LogHeader(const QString& cardName, const QDateTime& saved) {
    return QString::fromUtf8(APPLICATION_TITLE.data(), static_cast<qsizetype>(APPLICATION_TITLE.size())) +
           " " + KOVEX_VERSION + ", card " + (cardName.isEmpty() ? "none open" : cardName) +
           ", log saved " + LogTime(saved) + '\n';
}

QString WriteLogFile(const QString& path, const QString& text) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return file.errorString();
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return file.errorString();
    }
    if (!file.commit()) return file.errorString();
    return {};
}

}  // namespace kovex
