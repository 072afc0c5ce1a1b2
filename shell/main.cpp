// kovex-programmer: the service tool on a real KOVEX card, reached through the
// kernel's PCI sysfs interface (run it with the rights to open the card's
// resource files).
#include <QApplication>

#include "FWUnit1.h"
#include "Unit2.h"
#include "link/Clock.h"
#include "link/SysfsBridge.h"
#include "shell/core/SlotGuard.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(kovex::APPLICATION_TITLE.data()));

    kovex::SteadyClock clock;
    kovex::SysfsBridge bridge;

    TForm1 Form1(bridge, clock);
    TForm2 Form2;
    Form1.SetGraphicWindow(Form2);
    Form1.show();
    return QApplication::exec();
}
