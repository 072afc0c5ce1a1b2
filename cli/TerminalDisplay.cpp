#include "cli/TerminalDisplay.h"

#include "cli/PicturePixels.h"

namespace kovex {

std::string TerminalDisplay::EditText(DisplayEdit edit) const {
    switch (edit) {
        case DisplayEdit::Edit1:
            return edits_.node;
        case DisplayEdit::Edit2:
            return edits_.device;
        case DisplayEdit::Edit3:
            return edits_.image;
        case DisplayEdit::Edit4:
            return edits_.x;
        case DisplayEdit::Edit5:
            return edits_.y;
        case DisplayEdit::Edit6:
            break;
    }
    return edits_.text;
}

void TerminalDisplay::ShowMessage(std::string_view text) {
    // The graphic window's texts are UTF-8 already; a result line is ASCII.
    if (window_.MessageBoxesAreResults()) {
        window_.AppendLog(text);
    } else {
        window_.ShowProblem(text);
    }
}

PixelGrid TerminalDisplay::LoadPicture(const std::string& path) {
    return PicturePixels(path);
}

}  // namespace kovex
