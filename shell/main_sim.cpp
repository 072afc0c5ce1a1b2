// kovex-programmer-sim: the service tool with a simulated card behind the
// bridge interface. Runs anywhere, needs no card and no privileges.
#include <QApplication>
#include <array>
#include <cstdint>

#include "FWUnit1.h"
#include "SimDisplayWindow.h"
#include "Unit2.h"
#include "link/Clock.h"
#include "seam/SlotGuard.h"
#include "sim/SimDisplay.h"
#include "sim/SimulatedCard.h"

int main(int argc, char* argv[]) {
    using namespace std::chrono_literals;
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(kovex::APPLICATION_TITLE.data()));

    kovex::SteadyClock clock;
    kovex::SimulatedCard card(clock);
    card.Timing().replyDelay = 2ms;
    card.Timing().txBusyHold = 20us;
    card.SetPollPeriod(250ms);
    card.SetNodeChatter(6s);
    // A short list of the network's nodes, so Get Poll List shows a real list.
    constexpr std::array<std::uint8_t, 2> networkNodes{10, 12};
    card.SetPollList(networkNodes);
    card.SetStartupChatter({'K', 'O', 'V', 'E', 'X', ' ', 'b', 'o', 'o', 't', '\r', '\n'});

    TForm1 Form1(card, clock);
    TForm2 Form2;
    Form1.SetGraphicWindow(Form2);
    Form2.SetMessageSink(Form1.MessageSender());
    Form1.show();
    // What the display node shows, beside the main window.
    kovex::SimDisplayWindow displayWindow(card.Display());
    displayWindow.PlaceBeside(Form1);
    displayWindow.show();
    return QApplication::exec();
}
