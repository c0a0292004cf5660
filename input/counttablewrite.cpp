#include "input/counttablewrite.h"

#include <QLocale>

namespace {

void append(QByteArray& out, double v)
{
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
