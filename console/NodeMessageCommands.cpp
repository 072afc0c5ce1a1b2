#include "console/NodeMessageCommands.h"

#include <algorithm>

#include "console/NodeMessage.h"
#include "console/TextToInt.h"

namespace kovex {

Outcome NodeMessageCommands::Button10Click() {
    window_.AppendLog(SEND_MSG_PROMPT);
    const std::string line = window_.InputBox(SEND_MSG_CAPTION, SEND_MSG_PROMPT, SEND_MSG_DEFAULT,
                                              SEND_MSG_MOST_CHARACTERS, earlier_);
    if (line.size() < NODE_MESSAGE_FEWEST_CHARACTERS) return Outcome::Of(Ending::Declined, "");
    Outcome outcome = sender_.SendAlone(line).outcome;
    if (outcome) Remember(SingleSpaced(line));
    return outcome;
}

// The boxes are modal: shown while another command waits for the card, they
// would hold that command until the last one closed. So a taken port refuses
// the whole sequence before its first box.
Outcome NodeMessageCommands::Button14Click() {
    if (Outcome refused = sender_.CanSendAlone(); !refused) return refused;
    for (const TestStep& step : TEST_STEPS) {
        window_.ShowMessage(step.boxText);
        if (Outcome outcome = sender_.SendAlone(step.line).outcome; !outcome) return outcome;
    }
    return {};
}

void NodeMessageCommands::Remember(const std::string& line) {
    const auto same = std::find(earlier_.begin(), earlier_.end(), line);
    if (same != earlier_.end()) earlier_.erase(same);
    earlier_.insert(earlier_.begin(), line);
    if (earlier_.size() > SEND_MSG_EARLIER_LINES) earlier_.pop_back();
}

}  // namespace kovex
