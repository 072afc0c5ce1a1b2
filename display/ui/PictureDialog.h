// OpenPictureDialog1: the file dialog of the graphic window's Upload, with a
// preview of the picture selected in its list.
#pragma once

#include <QDateTime>
#include <QFileDialog>
#include <QImage>
#include <exception>
#include <functional>
#include <optional>
#include <string>

class QLabel;

namespace kovex {

// Qt's own dialog (never the desktop's), offering the picture types the
// loader reads, "All" chosen. A typed name is taken without checking that
// the file exists; loading it reports what is wrong. The preview shows what
// the loader makes of the selected file, or why it refused it. Each showing
// offers the name chosen last time selected, so typing replaces it.
class PictureDialog final : public QFileDialog {
public:
    using Loader = std::function<QImage(const std::string& path)>;

    PictureDialog(QWidget* parent, Loader loader);

    // The chosen file's picture: the one the preview decoded, when it is the
    // same file unchanged since, so that a file is decoded once per choice;
    // otherwise loaded now. Throws as the loader does.
    QImage TakePicture(const std::string& path);
    // Drops the preview's picture (the dialog was cancelled).
    void Forget() { previewed_.reset(); }

private:
    // What the loader made of a file, and which state of the file it saw.
    struct Decoded {
        QString path;
        qint64 size = 0;
        QDateTime modified;
        QImage picture;
        std::exception_ptr error;
    };
    static Decoded Decode(const Loader& loader, const QString& path);
    void Preview(const QString& path);

    Loader loader_;
    QLabel* preview_ = nullptr;
    std::optional<Decoded> previewed_;
};

}  // namespace kovex
