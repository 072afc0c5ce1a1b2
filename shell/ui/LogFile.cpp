#include "shell/ui/LogFile.h"

#include <QFileDialog>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextDocument>
#include <chrono>

#include "seam/SlotGuard.h"
#include "shell/ui/LogMenu.h"
#include "widgets/DialogPopups.h"
#include "widgets/Dialogs.h"

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
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(clock_.Now() - startTime_);
    return startDate_.addMSecs(elapsed.count());
}

void LogTimes::Stamp(int position, int added) {
    const QTextDocument& document = *log_.document();
    const QTextBlock last = document.findBlock(position + added);
    for (QTextBlock block = document.findBlock(position); block.isValid(); block = block.next()) {
        // Qt's document owns the data from here on.
        if (block.userData() == nullptr && !block.text().isEmpty())
            block.setUserData(new LineTime(Now()));
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
    return QString::fromUtf8(APPLICATION_TITLE.data(),
                             static_cast<qsizetype>(APPLICATION_TITLE.size())) +
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

LogSaver::LogSaver(QWidget& window, QPlainTextEdit& log, const MonotonicClock& clock)
    : window_(window), times_(new LogTimes(log, clock)) {}

QFileDialog& LogSaver::Dialog() {
    if (dialog_ != nullptr) return *dialog_;
    dialog_ = new QFileDialog(&window_, SAVE_LOG_AS);
    dialog_->setObjectName("SaveLogDialog");
    dialog_->setAcceptMode(QFileDialog::AcceptSave);
    dialog_->setNameFilters({"Text Files (*.txt)", "All Files (*)"});
    dialog_->setDefaultSuffix("txt");
    ClosePopupsWithDialog(*dialog_);
    return *dialog_;
}

void LogSaver::SaveAs(const QString& cardName) {
    const auto path = RunFileDialog(Dialog());
    if (!path) return;
    const QString file = QString::fromLocal8Bit(*path);
    const QString error =
        WriteLogFile(file, LogHeader(cardName, times_->Now()) + times_->StampedLines());
    if (!error.isEmpty())
        RunErrorBox(&window_, "Cannot save the log to " + file + ": " + error + ".");
}

}  // namespace kovex
