#include "app/startup.h"
#include "mainwindow/body.h"

#include <QApplication>
#include <QIcon>
#include <QTranslator>

#include <cstdio>

int main(int argc, char** argv)
{
    veskor::prepareApplication();
    if (!veskor::displayNamed(argc, argv)) {
        std::fprintf(stderr, "%s\n", veskor::kNoDisplayMessage);
        return 1;
    }
    veskor::NoDisplayGuard guard;
    // The application takes the toolkit's own options out of argv first.
    QApplication app(argc, argv);
    guard.release();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/veskor.png")));
    const veskor::Language language = veskor::languageFromArguments(argc, argv);
    QTranslator translator;
    veskor::installLanguage(translator, language);
    Body body;
    return veskor::runMainWindow(app, body);
}
