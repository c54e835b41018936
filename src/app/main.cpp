#include "app/application_title.h"
#include "app/main_window.h"

#include <QApplication>
#include <QFont>
#include <QStyleFactory>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(sw::kApplicationTitle);
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    // The window's default font, as the fonts of Linux can render it.
    QFont::insertSubstitution("MS Sans Serif", "Nimbus Sans");
    sw::TForm1 form;
    form.show();
    return app.exec();
}
