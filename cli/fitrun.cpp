#include "cli/fitrun.h"

#include "input/measurementfile.h"
#include "input/pointextent.h"

#include <QFile>
#include <QFileInfo>
#include <QTextStream>

QVector<PointView> FitRun::views() const
{
    QVector<PointView> v;
    v.reserve(points.size());
    for (const Point& p : points)
        v.append(PointView{p.i0, &p.icrs, &p.scas});
    return v;
}

bool FitRun::anyUnreadable() const
{
    for (const File& f : files)
        if (!f.opened)
            return true;
    return false;
}

FitRun loadFitRun(const QStringList& paths, QTextStream& err)
{
    FitRun run;
    for (const QString& path : paths) {
        FitRun::File file;
        file.path = path;
        // Opened here first so that the message names the file and the
        // reason; the reader's own message goes to the debug log only.
        QFile probe(path);
        if (QFileInfo(path).isDir()) {
            err << "veskor-fit: cannot open " << path << ": it is a directory\n";
        } else if (!probe.open(QIODevice::ReadOnly)) {
            err << "veskor-fit: cannot open " << path << ": " << probe.errorString() << '\n';
        } else {
            probe.close();
            file.opened = true;
        }
        const int fileIndex = run.files.size();
        run.files.append(file);
        if (!file.opened)
            continue;

        int found = 0;
        loadMeasurementFile(
            path, [&](double i0, const QVector<double>& icrs, const QVector<double>& scas) {
                addToExtent(run, run.points.isEmpty(), pointExtent(i0, icrs, scas));
                run.points.append(FitRun::Point{i0, icrs, scas, fileIndex, found});
                ++found;
            });
        run.files[fileIndex].points = found;
        if (found == 0)
            err << "veskor-fit: warning: " << path << ": no measurement point found\n";
    }
    return run;
}

void analyse(FitRun& run)
{
    if (!run.fittable())
        return;
    const QVector<PointView> views = run.views();
    run.fit = fitDeadTimeConstants(views, run.nChannels);
    run.stats = channelStats(views, run.fit);
    run.warnings = checkChannels(views, run.fit, run.stats);
    run.fitted = true;
}
