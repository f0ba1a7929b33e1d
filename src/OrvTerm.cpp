// Program entry: the application object, its title, the main window, the message loop.
#include "Application.h"
#include "main.h"

int main(int argc, char** argv)
{
    orv::TApplication Application(argc, argv); // its title, "OrvTerm", names every message box
    Application.setAttribute(Qt::AA_Use96Dpi); // the layout is in pixels and is not scaled
    Application.setWindowIcon(QIcon(QStringLiteral(":/orvterm.png")));
    TfrmMain Window;
    Window.show();
    return Application.exec();
}
