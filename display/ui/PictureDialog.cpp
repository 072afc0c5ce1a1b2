#include "PictureDialog.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QTimer>

namespace kovex {

namespace {

constexpr int PREVIEW_SIDE = 128;

QImage LoadOrNothing(const std::function<QImage(const std::string&)>& loader, const QString& path) {
    if (!QFileInfo(path).isFile()) return {};
    try {
        return loader(path.toLocal8Bit().toStdString());
    } catch (...) {
        return {};  // an unreadable file simply has no preview
    }
}

void ShowPreview(QLabel& preview, const QImage& picture) {
    if (picture.isNull()) {
        preview.clear();
        return;
    }
    QImage shown = picture;
    if (shown.width() > PREVIEW_SIDE || shown.height() > PREVIEW_SIDE) {
        shown = shown.scaled(PREVIEW_SIDE, PREVIEW_SIDE, Qt::KeepAspectRatio);
    }
    preview.setPixmap(QPixmap::fromImage(shown));
}

QLabel* AddPreview(QFileDialog& dialog) {
    auto* preview = new QLabel(&dialog);
    preview->setObjectName("PicturePreview");
    preview->setFixedSize(PREVIEW_SIDE, PREVIEW_SIDE);
    preview->setAlignment(Qt::AlignCenter);
    preview->setFrameShape(QFrame::StyledPanel);
    // Qt's own dialog lays out its parts in a grid; the list sits in row 1.
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        grid->addWidget(preview, 1, grid->columnCount(), Qt::AlignTop);
    }
    return preview;
}

}  // namespace

QFileDialog* CreatePictureDialog(QWidget* parent,
                                 std::function<QImage(const std::string&)> loader) {
    auto* dialog = new QFileDialog(parent);
    dialog->setObjectName("OpenPictureDialog1");
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setOption(QFileDialog::ReadOnly, false);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilters({"All (*.bmp *.ico *.emf *.wmf)", "Bitmaps (*.bmp)", "Icons (*.ico)",
                            "Enhanced Metafiles (*.emf)", "Metafiles (*.wmf)"});
    dialog->selectNameFilter("All (*.bmp *.ico *.emf *.wmf)");
    QLabel* preview = AddPreview(*dialog);
    QObject::connect(dialog, &QFileDialog::currentChanged, preview,
                     [preview, loader = std::move(loader)](const QString& path) {
                         ShowPreview(*preview, LoadOrNothing(loader, path));
                     });
    return dialog;
}

bool RunPictureDialog(QFileDialog& dialog) {
    // Runs once the dialog is up. The name field is Qt's own "fileNameEdit".
    QTimer::singleShot(0, &dialog, [&dialog] {
        if (auto* name = dialog.findChild<QLineEdit*>("fileNameEdit")) name->selectAll();
    });
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace kovex
