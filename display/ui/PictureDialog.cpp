#include "PictureDialog.h"

#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>

#include "shell/ui/DialogPopups.h"

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

// Selects the name field once the dialog has become active after being
// shown, so the name offered from last time is replaced by what is typed.
// Activation comes after the window system has given the dialog its focus,
// which would otherwise leave the old name unselected.
class SelectNameWhenShown final : public QObject {
public:
    explicit SelectNameWhenShown(QFileDialog& dialog) : QObject(&dialog), dialog_(dialog) {
        dialog.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &dialog_) {
            if (event->type() == QEvent::Show) pending_ = true;
            if (event->type() == QEvent::WindowActivate && pending_) {
                pending_ = false;
                // The name field is Qt's own "fileNameEdit".
                if (auto* name = dialog_.findChild<QLineEdit*>("fileNameEdit")) name->selectAll();
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QFileDialog& dialog_;
    bool pending_ = false;
};

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
    new SelectNameWhenShown(*dialog);  // owned by the dialog
    ClosePopupsWithDialog(*dialog);
    QLabel* preview = AddPreview(*dialog);
    QObject::connect(dialog, &QFileDialog::currentChanged, preview,
                     [preview, loader = std::move(loader)](const QString& path) {
                         ShowPreview(*preview, LoadOrNothing(loader, path));
                     });
    return dialog;
}

}  // namespace kovex
