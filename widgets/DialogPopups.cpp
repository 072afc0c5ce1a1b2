#include "widgets/DialogPopups.h"

#include <QAbstractItemView>
#include <QCompleter>

namespace kovex {

void ClosePopupsWithDialog(QDialog& dialog) {
    QObject::connect(&dialog, &QDialog::finished, &dialog, [&dialog](int /*result*/) {
        for (QCompleter* completer : dialog.findChildren<QCompleter*>()) {
            if (QAbstractItemView* popup = completer->popup()) popup->hide();
        }
    });
}

}  // namespace kovex
