// A window builds each file dialog the first time it asks for a file. This
// asks it once, as its handlers do, and cancels the dialog as soon as it
// shows; from then on the window holds the dialog, found by its name.
#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QObject>
#include <QTimer>
#include <functional>

namespace kovex::testing {

// Runs ask (which opens a file dialog modally) and cancels that dialog; false
// when no file dialog showed within about a second.
inline bool AskForAFileAndCancel(const std::function<void()>& ask) {
    bool seen = false;
    int attempts = 0;
    QTimer watch;
    watch.setInterval(10);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr && ++attempts < 100) return;
        watch.stop();
        if (dialog == nullptr) return;
        seen = true;
        dialog->reject();
    });
    watch.start();
    ask();
    watch.stop();
    return seen;
}

}  // namespace kovex::testing
