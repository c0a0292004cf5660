#include "cli/fitcommand.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>
#include <memory>

namespace {

// The core writes its own notes ("Cannot open ...") to the debug log; the
// tool says the same on stderr in its own words, so the debug log is
// dropped. Warnings and worse still reach stderr.
void messageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    // QtGui's note that it made its own runtime directory (as root, or
    // without a login session) says nothing about the results.
    if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    std::fprintf(stderr, "%s\n", qUtf8Printable(qFormatLogMessage(type, context, message)));
}

} // namespace

int main(int argc, char** argv)
{
    qInstallMessageHandler(messageHandler);
    // Text on the plot needs QtGui's fonts, but never a screen.
    std::unique_ptr<QCoreApplication> app;
    if (fitCommandNeedsGui(argc, argv)) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    // The table writes "±" and "µs"; terminals and logs read UTF-8.
    QTextStream out(stdout);
    out.setCodec("UTF-8");
    QTextStream err(stderr);
    err.setCodec("UTF-8");
    return runFitCommand(QCoreApplication::arguments(), out, err);
}
