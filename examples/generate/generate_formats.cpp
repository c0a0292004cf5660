// Writes the example scan (scan-table.dat) in the scan file formats
// veskor-fit reads through a column mapping, for the README's worked
// examples: formats/scan.spec, scan.xdi, scan.001 (XDAC), scan.csv and
// scan.h5. Usage: veskor-example-formats SCAN-TABLE OUTDIR.
//
// The table's values are taken as counts per second of points counted for
// 1, 2 or 4 s in turn; the files hold the counts of those times and the
// time, so that dividing by the time (--time) gives back the table's values
// exactly (the times are powers of two) and the same constants.

#include "hdf5write.h"
#include "input/counttable.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QStringList>
#include <QVector>

#include <cstdio>

namespace {

struct Point
{
    double seconds;
    double i0;
    QVector<double> icrs;
    QVector<double> scas;
};

QString number(double v)
{
    return QString::number(v, 'g', QLocale::FloatingPointShortest);
}

bool write(const QString& path, const QString& text)
{
    QFile f(path);
    const QByteArray bytes = text.toUtf8();
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// One row's values: the setting, the time, I0, the input counts, the window
// counts.
QStringList values(const Point& p, int index)
{
    QStringList r{QString::number(index + 1), number(p.seconds), number(p.i0)};
    for (double v : p.icrs)
        r << number(v);
    for (double v : p.scas)
        r << number(v);
    return r;
}

QStringList labels(int channels, const QString& setting, const QString& time, const QString& i0,
                   const QString& icr, const QString& sca)
{
    QStringList l{setting, time, i0};
    for (int c = 1; c <= channels; ++c)
        l << QString(icr).replace("{n}", QString::number(c));
    for (int c = 1; c <= channels; ++c)
        l << QString(sca).replace("{n}", QString::number(c));
    return l;
}

// A SPEC file of two scans: an alignment scan first, then the dead-time scan
// over attenuator settings.
QString spec(const QVector<Point>& points, int channels)
{
    QString text = "#F scan.spec\n#E 1796601600\n#D Mon Dec 07 09:00:00 2026\n"
                   "#C Veskor example: a dead-time scan\n\n"
                   "#S 1 ascan samx -1 1 4 1\n#D Mon Dec 07 09:02:11 2026\n#N 3\n"
                   "#L Sample X  Seconds  I0\n-1 1 400762\n-0.5 1 400698\n0 1 400811\n"
                   "0.5 1 400732\n1 1 400790\n\n"
                   "#S 2 attscan 12 1\n#D Mon Dec 07 09:05:40 2026\n#N " +
                   QString::number(3 + 2 * channels) + "\n#L " +
                   labels(channels, "Attenuator", "Seconds", "I0", "ICR_{n}", "SCA_{n}").join("  ") +
                   "\n";
    for (int k = 0; k < points.size(); ++k)
        text += values(points[k], k).join(' ') + "\n";
    return text;
}

QString xdi(const QVector<Point>& points, int channels)
{
    const QStringList l = labels(channels, "setting", "time", "i0", "icr{n}", "roi{n}");
    QString text = "# XDI/1.0 Veskor-example/1\n";
    for (int i = 0; i < l.size(); ++i)
        text += QString("# Column.%1: %2%3\n").arg(i + 1).arg(l[i]).arg(i == 1 ? " seconds" : "");
    text += "# Facility.name: Example Light Source\n# Scan.start_time: 2026-12-07T09:05:40\n"
            "#///\n# Veskor example: a dead-time scan over attenuator settings\n#----\n# " +
            l.join(' ') + "\n";
    for (int k = 0; k < points.size(); ++k)
        text += "  " + values(points[k], k).join("  ") + "\n";
    return text;
}

QString xdac(const QVector<Point>& points, int channels)
{
    QString text = "XDAC V1.4 Datafile V1\n\"scan.001\" created on 12/7/2026 at 9:05:40 AM on "
                    "EX-1\nRing energy= 2.80 GeV\nE0= 7112.00\nSettling time= 0.20\n\n\n" +
                    QString(80, '-') + "\n";
    for (const QString& l : labels(channels, "Mot_pos", "IntTime", "I0", "Iffast{n}", "Ifch{n}"))
        text += l.rightJustified(14);
    text += "\n";
    for (int k = 0; k < points.size(); ++k) {
        for (const QString& v : values(points[k], k))
            text += v.rightJustified(14);
        text += "\n";
    }
    return text;
}

QString csv(const QVector<Point>& points, int channels)
{
    QString text = "# Veskor example: a dead-time scan, exported from the beamline's scan table\n" +
                   labels(channels, "Point", "Seconds", "I0", "ICR{n}", "SCA{n}").join(',') + "\n";
    for (int k = 0; k < points.size(); ++k)
        text += values(points[k], k).join(',') + "\n";
    return text;
}

// As an Xspress-type detector and its IOC store a scan: one dataset per
// channel and counter under entry/instrument/NDAttributes, and the same
// counts as [point, channel] arrays under entry/data.
bool hdf5(const QString& path, const QVector<Point>& points, int channels)
{
    const hsize_t n = hsize_t(points.size());
    QVector<Hdf5Dataset> sets;
    QVector<double> seconds;
    QVector<double> i0;
    QVector<double> icr2d;
    QVector<double> sca2d;
    for (const Point& p : points) {
        seconds << p.seconds;
        i0 << p.i0;
        for (int c = 0; c < channels; ++c) {
            icr2d << p.icrs[c];
            sca2d << p.scas[c];
        }
    }
    const QString attributes = "entry/instrument/NDAttributes/";
    sets.append({attributes + "AcquireTime", {n}, seconds});
    sets.append({"entry/instrument/scaler/I0", {n}, i0, H5T_STD_U32LE});
    for (int c = 0; c < channels; ++c) {
        QVector<double> icr;
        QVector<double> sca;
        for (const Point& p : points) {
            icr << p.icrs[c];
            sca << p.scas[c];
        }
        sets.append({attributes + QString("CHAN%1SCA3").arg(c + 1), {n}, icr, H5T_STD_U32LE});
        sets.append({attributes + QString("CHAN%1SCA5").arg(c + 1), {n}, sca, H5T_STD_U32LE});
    }
    sets.append({"entry/data/input_counts", {n, hsize_t(channels)}, icr2d, H5T_STD_U32LE});
    sets.append({"entry/data/window_counts", {n, hsize_t(channels)}, sca2d, H5T_STD_U32LE});
    QString error;
    if (!writeHdf5File(path, sets, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "Usage: veskor-example-formats SCAN-TABLE OUTDIR\n");
        return 2;
    }
    QVector<Point> points;
    readCountTableFile(QString::fromLocal8Bit(argv[1]),
                       [&points](double i0, const QVector<double>& icrs, const QVector<double>& scas) {
                           const double t = double(1 << (points.size() % 3));
                           Point p{t, i0 * t, icrs, scas};
                           for (double& v : p.icrs)
                               v *= t;
                           for (double& v : p.scas)
                               v *= t;
                           points.append(p);
                       });
    if (points.isEmpty()) {
        std::fprintf(stderr, "veskor-example-formats: no point in %s\n", argv[1]);
        return 1;
    }
    const int channels = points[0].icrs.size();
    const QDir out(QString::fromLocal8Bit(argv[2]));
    if (!out.mkpath("formats"))
        return 1;
    const bool ok = write(out.filePath("formats/scan.spec"), spec(points, channels)) &&
                    write(out.filePath("formats/scan.xdi"), xdi(points, channels)) &&
                    write(out.filePath("formats/scan.001"), xdac(points, channels)) &&
                    write(out.filePath("formats/scan.csv"), csv(points, channels)) &&
                    hdf5(out.filePath("formats/scan.h5"), points, channels);
    return ok ? 0 : 1;
}
