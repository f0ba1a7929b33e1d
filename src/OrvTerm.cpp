// Program entry: the application object, its title, the main window, the message loop.
#include "Application.h"
#include "main.h"

int main(int argc, char** argv)
{
    QApplication::setAttribute(Qt::AA_Use96Dpi); // fonts as at 96 dots per inch, as laid out
    orv::TApplication Application(argc, argv);   // its title, "OrvTerm", names every message box
    Application.setWindowIcon(QIcon(QStringLiteral(":/orvterm.png")));
    TfrmMain Window;
    Window.show();
    return Application.exec();
}
