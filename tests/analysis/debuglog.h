#pragma once

#include <QStringList>
#include <QtGlobal>

// Collects every message sent to the debug log while it lives, so a test can
// check what was logged and how often (QTest::ignoreMessage cannot tell a
// message logged once from one logged twice).
class DebugLog
{
public:
    DebugLog()
    {
        current = this;
        previous = qInstallMessageHandler(&DebugLog::handle);
    }
    ~DebugLog()
    {
        qInstallMessageHandler(previous);
        current = nullptr;
    }
    DebugLog(const DebugLog&) = delete;
    DebugLog& operator=(const DebugLog&) = delete;

    QStringList lines;

private:
    static void handle(QtMsgType, const QMessageLogContext&, const QString& message)
    {
        current->lines << message;
    }

    static inline DebugLog* current = nullptr;
    QtMessageHandler previous = nullptr;
};
