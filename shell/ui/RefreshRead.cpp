#include "shell/ui/RefreshRead.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "widgets/Dialogs.h"

namespace kovex {

namespace {

// The mark a refresh line's block carries (the others keep -1).
constexpr int REFRESH_LINE = 1;

// Removes the marked blocks (one run of them) with one line break next to
// them, so that no empty line is left behind.
void RemoveRefreshLines(QTextDocument& document) {
    QTextBlock first = document.firstBlock();
    while (first.isValid() && first.userState() != REFRESH_LINE)
        first = first.next();
    if (!first.isValid()) return;
    QTextBlock last = first;
    while (last.next().isValid() && last.next().userState() == REFRESH_LINE)
        last = last.next();
    int start = first.position();
    int end = last.position() + last.length() - 1;
    if (last.next().isValid()) {
        ++end;
    } else if (start > 0) {
        --start;
    }
    QTextCursor cut(&document);
    cut.setPosition(start);
    cut.setPosition(end, QTextCursor::KeepAnchor);
    cut.removeSelectedText();
    // A block that took the place of the removed ones keeps no mark.
    cut.block().setUserState(-1);
}

}  // namespace

void ShowRefreshRead(QPlainTextEdit& memo, const std::vector<std::string>& lines) {
    QTextDocument& document = *memo.document();
    RemoveRefreshLines(document);
    for (const std::string& line : lines) {
        memo.appendPlainText(FromBytes(line));
        document.lastBlock().setUserState(REFRESH_LINE);
    }
}

}  // namespace kovex
