// OpenPictureDialog1: the file dialog of the graphic window's Upload, with a
// preview of the picture selected in its list.
#pragma once

#include <QFileDialog>
#include <QImage>
#include <functional>
#include <string>

namespace kovex {

// Qt's own dialog (never the desktop's), offering the picture types the
// loader reads, "All" chosen. A typed name is taken without checking that
// the file exists; loading it reports what is wrong. The preview shows what
// `loader` makes of the selected file, and nothing when it cannot. Each
// showing offers the name chosen last time selected, so typing replaces it.
QFileDialog* CreatePictureDialog(QWidget* parent, std::function<QImage(const std::string&)> loader);

}  // namespace kovex
