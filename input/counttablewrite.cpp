#include "input/counttablewrite.h"

#include <QLocale>

#include <cmath>

namespace {

void append(QByteArray& out, double v)
{
    // The toolkit writes -0 as "0"; the sign is kept, as every other bit.
    if (v == 0.0 && std::signbit(v))
        out += "-0";
    else
        out += QString::number(v, 'g', QLocale::FloatingPointShortest).toLatin1();
}

} // namespace

QByteArray countTableBytes(const QVector<PointView>& points, int channels,
                           const QStringList& comments)
{
    QByteArray out = "# Channels : " + QByteArray::number(channels) + '\n';
    for (const QString& c : comments)
        out += "# " + c.toUtf8() + '\n';
    for (const PointView& p : points) {
        append(out, p.i0);
        for (int ch = 0; ch < channels; ++ch) {
            out += ' ';
            append(out, p.icr(ch));
        }
        for (int ch = 0; ch < channels; ++ch) {
            out += ' ';
            append(out, p.sca(ch));
        }
        out += '\n';
    }
    return out;
}
