// Zedo Vudera: the main window and the about box, then the event loop until the
// main window closes.
#include "shell/com_main_form.h"
#include "shell/zv_application.h"

int main(int argc, char** argv) {
    ZvApplication app(argc, argv);
    TForm1 form;
    QObject::connect(&form, &TForm1::closed, &app, &QApplication::quit, Qt::QueuedConnection);
    form.FormCreate();
    form.show();
    return app.exec();
}
