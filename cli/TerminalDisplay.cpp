#include "cli/TerminalDisplay.h"

#include "cli/PicturePixels.h"

namespace kovex {

std::string TerminalDisplay::EditText(DisplayEdit edit) const {
    switch (edit) {
        case DisplayEdit::Edit1:
            return edits_.node;
        case DisplayEdit::Edit2:
            return edits_.device;
        case DisplayEdit::Edit6:
            return edits_.text;
        case DisplayEdit::Edit3:
        case DisplayEdit::Edit4:
        case DisplayEdit::Edit5:
            break;
    }
    return "0";
}

PixelGrid TerminalDisplay::LoadPicture(const std::string& path) {
    return PicturePixels(path);
}

}  // namespace kovex
