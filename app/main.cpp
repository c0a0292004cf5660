#include "app/startup.h"
#include "mainwindow/body.h"

#include <QApplication>
#include <QTranslator>

int main(int argc, char** argv)
{
    veskor::prepareApplication();
    // The application takes the toolkit's own options out of argv first.
    QApplication app(argc, argv);
    const veskor::Language language = veskor::languageFromArguments(argc, argv);
    QTranslator translator;
    veskor::installLanguage(translator, language);
    Body body;
    return veskor::runMainWindow(app, body);
}
