#pragma once

// The libFuzzer entry shared by the fuzz targets: the input as bytes, one
// check of checks.h, and an abort that libFuzzer reports as a crash (saving
// the input) when the check fails.

#include "checks.h"

#include <QByteArray>
#include <QtGlobal>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace veskor::fuzz {

// The readers' debug messages (a refused point, say) would only slow the
// fuzzer down; a fatal message still ends the run.
inline void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
        std::abort();
    }
}

inline int runCheck(QString (*check)(const QByteArray&), const uint8_t* data, size_t size)
{
    static const QtMessageHandler previous = qInstallMessageHandler(&quietMessages);
    Q_UNUSED(previous);
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), int(size));
    const QString error = check(bytes);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "check failed: %s\n", qPrintable(error));
        std::abort();
    }
    return 0;
}

} // namespace veskor::fuzz
