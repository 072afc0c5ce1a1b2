// kovex-programmer: the service tool on a real KOVEX card, reached through the
// kernel's PCI sysfs interface (run it with the rights to open the card's
// resource files: as root, or in the group the udev rule names).
#include <QApplication>

#include "display/ui/Unit2.h"
#include "link/Clock.h"
#include "seam/SlotGuard.h"
#include "shell/ui/FWUnit1.h"
#include "sysfs/BusErrorGuard.h"
#include "sysfs/SysfsBridge.h"

int main(int argc, char* argv[]) {
    // A card window the kernel takes away ends the tool with a line that
    // says so, not with a bare "Bus error".
    kovex::InstallBusErrorGuard();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(kovex::APPLICATION_TITLE.data()));

    kovex::SteadyClock clock;
    kovex::SysfsBridge bridge;

    TForm1 Form1(bridge, clock);
    TForm2 Form2;
    Form1.SetGraphicWindow(Form2);
    Form2.SetMessageSink(Form1.MessageSender());
    Form1.show();
    return QApplication::exec();
}
