// A Qt "generic" plugin for bench/startup.sh. Qt loads it into any Qt
// program started with
//
//   QT_PLUGIN_PATH=<build>/bench/plugins QT_QPA_GENERIC_PLUGINS=kovexshownclock
//
// so the program itself is measured unchanged (the tool has no option or
// variable of its own for this). Counting from the launch time the script
// passes in KOVEX_BENCH_T0 (seconds since the epoch, bash's $EPOCHREALTIME),
// it writes a line to standard error once the first window has been exposed
// and that expose event handled (the window painted and flushed: a zero
// timer stamps it, which fires after the event), and it ends the program
// KOVEX_BENCH_RUN_MS (1000 unless set) after the launch with a second line:
// the CPU the process (all its threads) has used by then, and its peak
// resident memory.
//
//   kovex-bench shown <ms since launch> cpu <ms of CPU by then> window <title>
//   kovex-bench end <ms since launch> cpu <ms of CPU by then> rss <peak kB>
#pragma once

#include <QGenericPlugin>

class ShownClockPlugin final : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "ShownClock.json")

public:
    QObject* create(const QString& key, const QString& parameters) override;
};
