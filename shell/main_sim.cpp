// kovex-programmer-sim: the service tool with a simulated card behind the
// bridge interface. Runs anywhere, needs no card and no privileges.
// With --replay FILE the card replays a capture instead.
#include <QApplication>
#include <QStringList>
#include <cstdio>
#include <memory>

#include "display/ui/Unit2.h"
#include "link/Clock.h"
#include "seam/SlotGuard.h"
#include "shell/ui/FWUnit1.h"
#include "shell/ui/SimDisplayWindow.h"
#include "sim/ReplayCard.h"
#include "sim/SimDisplay.h"
#include "sim/SimulatedCard.h"
#include "sim/ToolCard.h"

namespace {

// The capture --replay names, or an empty text.
QString ReplayFile(const QStringList& arguments) {
    const qsizetype at = arguments.indexOf("--replay");
    return at > 0 && at + 1 < arguments.size() ? arguments[at + 1] : QString();
}

int RunWindows(kovex::BridgeApi& card, kovex::MonotonicClock& clock, kovex::SimDisplay* display) {
    TForm1 Form1(card, clock);
    Form1.Capture().SetCardKind(kovex::SIMULATED_CARD_PREFIX);
    TForm2 Form2;
    Form1.SetGraphicWindow(Form2);
    Form2.SetMessageSink(Form1.MessageSender());
    Form1.show();
    // What the display node shows, beside the main window.
    std::unique_ptr<kovex::SimDisplayWindow> displayWindow;
    if (display != nullptr) {
        displayWindow = std::make_unique<kovex::SimDisplayWindow>(*display);
        displayWindow->PlaceBeside(Form1);
        displayWindow->show();
    }
    return QApplication::exec();
}

// The windows on a card that replays the capture at `path`; a frame that
// differs is named on standard error.
int RunReplay(const QString& path, kovex::MonotonicClock& clock) {
    std::string error;
    const std::unique_ptr<kovex::ReplayCard> card =
        kovex::ReplayCard::FromFile(path.toStdString(), clock, error);
    if (!card) {
        std::fprintf(stderr, "kovex-programmer-sim: %s\n", error.c_str());
        return 2;
    }
    card->OnMismatch([](const std::string& line) {
        std::fprintf(stderr, "kovex-programmer-sim: %s\n", line.c_str());
    });
    return RunWindows(*card, clock, nullptr);
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(kovex::APPLICATION_TITLE.data()));

    kovex::SteadyClock clock;
    if (const QString replay = ReplayFile(QApplication::arguments()); !replay.isEmpty()) {
        return RunReplay(replay, clock);
    }
    kovex::SimulatedCard card(clock);
    kovex::SetUpToolCard(card);
    return RunWindows(card, clock, &card.Display());
}
