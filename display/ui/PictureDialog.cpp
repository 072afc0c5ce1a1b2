#include "display/ui/PictureDialog.h"

#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <utility>

#include "widgets/DialogPopups.h"

namespace kovex {

namespace {

constexpr int PREVIEW_SIDE = 128;
constexpr const char* ALL_PICTURES = "All (*.bmp *.ico *.emf *.wmf *.png)";

QString ErrorText(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& caught) {
        return QString::fromLocal8Bit(caught.what());
    } catch (...) {
        return {};
    }
}

void ShowPicture(QLabel& preview, const QImage& picture) {
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
    // A refusal's reason is shown in the preview's place.
    preview->setWordWrap(true);
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

PictureDialog::PictureDialog(QWidget* parent, Loader loader)
    : QFileDialog(parent), loader_(std::move(loader)) {
    setObjectName("OpenPictureDialog1");
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::ReadOnly, false);
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::AnyFile);
    setNameFilters({ALL_PICTURES, "Bitmaps (*.bmp)", "Icons (*.ico)", "Enhanced Metafiles (*.emf)",
                    "Metafiles (*.wmf)", "PNG Images (*.png)"});
    selectNameFilter(ALL_PICTURES);
    new SelectNameWhenShown(*this);  // owned by the dialog
    ClosePopupsWithDialog(*this);
    preview_ = AddPreview(*this);
    connect(this, &QFileDialog::currentChanged, this, &PictureDialog::Preview);
}

PictureDialog::Decoded PictureDialog::Decode(const Loader& loader, const QString& path) {
    const QFileInfo file(path);
    Decoded decoded{file.absoluteFilePath(), file.size(), file.lastModified(), {}, {}};
    try {
        decoded.picture = loader(path.toLocal8Bit().toStdString());
    } catch (...) {
        decoded.error = std::current_exception();
    }
    return decoded;
}

void PictureDialog::Preview(const QString& path) {
    preview_->clear();
    // The last preview's picture goes first: only one is held at a time.
    previewed_.reset();
    if (!QFileInfo(path).isFile()) return;
    previewed_ = Decode(loader_, path);
    if (previewed_->error) {
        preview_->setText(ErrorText(previewed_->error));
    } else {
        ShowPicture(*preview_, previewed_->picture);
    }
}

QImage PictureDialog::TakePicture(const std::string& path) {
    const QFileInfo file(QString::fromLocal8Bit(path));
    std::optional<Decoded> previewed = std::exchange(previewed_, std::nullopt);
    const bool same = previewed && previewed->path == file.absoluteFilePath() &&
                      previewed->size == file.size() && previewed->modified == file.lastModified();
    if (!same) return loader_(path);
    if (previewed->error) std::rethrow_exception(previewed->error);
    return std::move(previewed->picture);
}

}  // namespace kovex
