// A file dialog's name field completes names in a popup list of its own.
// Without a window manager that list can outlive the dialog, stay on the
// screen and take the next key; this closes every such list with its dialog.
#pragma once

#include <QDialog>

namespace kovex {

void ClosePopupsWithDialog(QDialog& dialog);

}  // namespace kovex
