// kovex-programmer-sim: the service tool with a simulated card behind the
// bridge interface. Runs anywhere, needs no card and no privileges.
#include <QApplication>

#include "display/ui/Unit2.h"
#include "link/Clock.h"
#include "seam/SlotGuard.h"
#include "shell/ui/FWUnit1.h"
#include "shell/ui/SimDisplayWindow.h"
#include "sim/SimDisplay.h"
#include "sim/SimulatedCard.h"
#include "sim/ToolCard.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(kovex::APPLICATION_TITLE.data()));

    kovex::SteadyClock clock;
    kovex::SimulatedCard card(clock);
    kovex::SetUpToolCard(card);

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
