#include "app/startup.h"

#include "mainwindow/body.h"

#include <QApplication>
#include <QScreen>
#include <QString>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace veskor {

const char* const kNoDisplayMessage =
    "veskor needs a display (X11 or Wayland); veskor-fit does the same analysis without one";

bool displayNamed(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0)
            return true;
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

namespace {

struct HeldMessage
{
    QtMsgType type;
    QByteArray category;
    QString text;
};

std::vector<HeldMessage>& heldMessages()
{
    static std::vector<HeldMessage> held;
    return held;
}

QtMessageHandler guardedHandler = nullptr;

void holdMessage(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    // The toolkit ends the start with this when no platform plugin could
    // open its display.
    if (type == QtFatalMsg && text.contains(QLatin1String("platform plugin"))) {
        std::fprintf(stderr, "%s\n", kNoDisplayMessage);
        std::fflush(stderr);
        std::_Exit(1);
    }
    if (type == QtFatalMsg) {
        guardedHandler(type, context, text);
        return;
    }
    heldMessages().push_back({type, QByteArray(context.category), text});
}

} // namespace

NoDisplayGuard::NoDisplayGuard()
{
    heldMessages().clear();
    // Without a handler of the program's own, this is the toolkit's default.
    previous = qInstallMessageHandler(holdMessage);
    guardedHandler = previous;
}

NoDisplayGuard::~NoDisplayGuard()
{
    release();
}

void NoDisplayGuard::release()
{
    if (!active)
        return;
    active = false;
    qInstallMessageHandler(previous);
    for (const HeldMessage& m : heldMessages()) {
        const QMessageLogContext context(nullptr, 0, nullptr, m.category.constData());
        guardedHandler(m.type, context, m.text);
    }
    heldMessages().clear();
}

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
