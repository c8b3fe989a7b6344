#include "app/Application.h"

#include <QApplication>
#include <QTextEdit>

int scrivelleMain(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral(" Scrivelle"));
    QTextEdit edit;
    edit.resize(1024, 584);
    edit.show();
    return app.exec();
}
