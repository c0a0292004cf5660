#include "app/startup.h"

#include "mainwindow/body.h"

#include <QApplication>
#include <QScreen>
#include <QString>
#include <QTranslator>

namespace veskor {

Language languageFromArguments(int argc, char** argv)
{
    Language language = Language::Japanese;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("-j"))
            language = Language::Japanese;
        else if (arg == QLatin1String("-e"))
            language = Language::English;
    }
    return language;
}

void installLanguage(QTranslator& translator, Language language)
{
    if (language != Language::Japanese)
        return;
    // A resource path: the directory plays no part, the toolkit adds ".qm".
    (void)translator.load(QStringLiteral(":Veskor_ja_JP"), QCoreApplication::applicationDirPath());
    QCoreApplication::installTranslator(&translator);
}

void prepareApplication()
{
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
}

void fitToScreen(QWidget& window, const QScreen* screen)
{
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    if (available.width() >= window.width() && available.height() >= window.height())
        return;
    window.resize(window.size().boundedTo(available.size()));
    window.move(available.topLeft());
    // A window manager then also keeps the frame on the screen.
    window.setWindowState(window.windowState() | Qt::WindowMaximized);
}

int runMainWindow(QApplication& app, Body& body)
{
    QObject::connect(&body, SIGNAL(quit()), &app, SLOT(closeAllWindows()));
    fitToScreen(body, QGuiApplication::primaryScreen());
    body.show();
    return app.exec();
}

} // namespace veskor
