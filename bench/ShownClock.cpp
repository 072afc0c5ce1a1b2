// The plugin that stamps a Qt program's first window; see ShownClock.h.
#include "ShownClock.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWindow>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

double NowSeconds() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

double EnvNumber(const char* name, double fallback) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0') return fallback;
    return std::strtod(text, nullptr);
}

double CpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) * 1e3 + static_cast<double>(time.tv_usec) / 1e3;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

long PeakKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

class ShownClock final : public QObject {
public:
    ShownClock() : launched_(EnvNumber("KOVEX_BENCH_T0", NowSeconds())) {
        QCoreApplication::instance()->installEventFilter(this);
        // A zero timer fires once the event being handled has been handled.
        shownTimer_.setSingleShot(true);
        shownTimer_.setInterval(0);
        connect(&shownTimer_, &QTimer::timeout, this, &ShownClock::Shown);
        const double left = EnvNumber("KOVEX_BENCH_RUN_MS", 1000) - SinceLaunchMs();
        endTimer_.setSingleShot(true);
        endTimer_.setTimerType(Qt::PreciseTimer);
        endTimer_.setInterval(left > 0 ? static_cast<int>(left) : 0);
        connect(&endTimer_, &QTimer::timeout, this, &ShownClock::End);
        endTimer_.start();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (title_.isNull() && event->type() == QEvent::Expose) {
            auto* window = qobject_cast<QWindow*>(watched);
            if (window != nullptr && window->isExposed()) {
                title_ = window->title().isNull() ? QString("") : window->title();
                shownTimer_.start();
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    double SinceLaunchMs() const { return (NowSeconds() - launched_) * 1e3; }

    void Shown() const {
        std::fprintf(stderr, "kovex-bench shown %.1f cpu %.1f window %s\n", SinceLaunchMs(),
                     CpuMs(), title_.toLocal8Bit().constData());
        std::fflush(stderr);
    }

    void End() const {
        std::fprintf(stderr, "kovex-bench end %.1f cpu %.1f rss %ld\n", SinceLaunchMs(), CpuMs(),
                     PeakKb());
        std::fflush(stderr);
        // Nothing after this is measured: skip the program's own shutdown.
        std::_Exit(0);
    }

    double launched_;
    QString title_;  // of the first window exposed; null until then
    QTimer shownTimer_;
    QTimer endTimer_;
};

}  // namespace

QObject* ShownClockPlugin::create(const QString& /*key*/, const QString& /*parameters*/) {
    return new ShownClock;
}
