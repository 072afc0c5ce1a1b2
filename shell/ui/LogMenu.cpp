#include "shell/ui/LogMenu.h"

namespace kovex {

void AddSaveLogEntry(QMenu& menu, const std::function<void()>& saveLogAs) {
    menu.addSeparator();
    QAction* save = menu.addAction(SAVE_LOG_AS);
    save->setObjectName("SaveLogAs");
    QObject::connect(save, &QAction::triggered, &menu, saveLogAs);
}

}  // namespace kovex
