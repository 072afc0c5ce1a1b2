#include "console/NodeMessageCommands.h"

#include <algorithm>

#include "console/NodeMessage.h"
#include "console/TextToInt.h"

namespace kovex {

void NodeMessageCommands::Button10Click() {
    window_.AppendLog(SEND_MSG_PROMPT);
    const std::string line = window_.InputBox(SEND_MSG_CAPTION, SEND_MSG_PROMPT, SEND_MSG_DEFAULT,
                                              SEND_MSG_MOST_CHARACTERS, earlier_);
    if (line.size() < NODE_MESSAGE_FEWEST_CHARACTERS) return;
    if (sender_.SendAlone(line) == NodeMessageSender::Result::Sent) Remember(SingleSpaced(line));
}

// The boxes are modal: shown while another command waits for the card, they
// would hold that command until the last one closed. So a taken port refuses
// the whole sequence before its first box.
void NodeMessageCommands::Button14Click() {
    if (!sender_.CanSendAlone()) return;
    for (const TestStep& step : TEST_STEPS) {
        window_.ShowMessage(step.boxText);
        if (sender_.SendAlone(step.line) != NodeMessageSender::Result::Sent) return;
    }
}

void NodeMessageCommands::Remember(const std::string& line) {
    const auto same = std::find(earlier_.begin(), earlier_.end(), line);
    if (same != earlier_.end()) earlier_.erase(same);
    earlier_.insert(earlier_.begin(), line);
    if (earlier_.size() > SEND_MSG_EARLIER_LINES) earlier_.pop_back();
}

}  // namespace kovex
