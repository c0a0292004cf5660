#include "input/ameasp.h"
#include "input/loadfiles.h"
#include "input/pointextent.h"
#include "input/scanfileproblems.h"
#include "mainwindow/body.h"
#include "plot/dispa.h"

#include <QApplication>
#include <QDebug>

namespace {

// Every panel and result field added to a shown window is shown on its own
// once the event loop runs again, and showing it lays out the whole window
// anew: a count table of a few hundred rows kept the window frozen for
// seconds. The frames that receive them stay hidden while they are added, so
// that showing a frame again shows and lays out all its new fields at once.
// The user sees none of it: nothing is painted before the load returns. A
// frame holding the focus is left alone, since hiding it would move the focus.
class HiddenWhileLoading
{
public:
    explicit HiddenWhileLoading(std::initializer_list<QWidget*> frames)
    {
        for (QWidget* frame : frames) {
            QWidget* focus = QApplication::focusWidget();
            if (frame && frame->isVisible() && !hidden.contains(frame) &&
                !(focus && (focus == frame || frame->isAncestorOf(focus)))) {
                frame->hide();
                hidden.append(frame);
            }
        }
    }
    ~HiddenWhileLoading()
    {
        for (QWidget* frame : qAsConst(hidden))
            frame->show();
    }
    HiddenWhileLoading(const HiddenWhileLoading&) = delete;
    HiddenWhileLoading& operator=(const HiddenWhileLoading&) = delete;

private:
    QList<QWidget*> hidden;
};

// What a point's panel costs the window, in widgets: its frames, labels and
// I0 field, and one field per value.
int panelCost(const QVector<double>& icrs, const QVector<double>& scas)
{
    return 8 + icrs.size() + scas.size();
}

} // namespace

void Body::filesSelected(QStringList files)
{
    // Loaded in the order chosen, also when a selection arrives while the
    // mapping dialog asks about an earlier one.
    pendingSelections.append(files);
    loadPendingSelections();
}

QStringList Body::loadSelection(const QStringList& files, const ScanOptions& scan,
                                QStringList& details)
{
    roomLeft = panelRoom;
    for (const AMeasP* panel : qAsConst(pointSet.points))
        roomLeft -= panelCost(panel->icrs, panel->scas);
    pointsRefused = 0;
    LoadedFiles loaded;
    {
        const HiddenWhileLoading hidden{MCALayout->parentWidget(), Tau0sLayout->parentWidget(),
                                        TausLayout->parentWidget()};
        // Each point becomes a panel as it is read, in the order of the
        // files and within each file.
        LoadOptions options;
        options.scan = scan;
        options.scanFiles = ScanFiles::Recognised;
        QVector<LoadedFiles::Exclusion> noExclusions;
        loaded = loadFiles(files, noExclusions, options,
                           [this](const LoadedFiles::Point& point, const LoadedFiles::File& file) {
                               return addReadPoint(point, file);
                           });

        // Once over the whole selection, so that its results cover every
        // point.
        if (pointSet.points.size() > 1)
            refit();
        else
            updateUseBoxes();
    }
    // The debug log is where the window's formats say what they passed
    // over: a file too large to read, points whose values are not numbers.
    for (const LoadedFiles::File& f : qAsConst(loaded.files)) {
        if (f.tooLarge)
            qDebug().noquote() << QStringLiteral("Cannot read \"%1\": %2").arg(f.path, f.openError);
        if (f.scanFile)
            continue;
        for (const LoadedFiles::File::Note& n : f.notes)
            if (n.check == QLatin1String("notFinite") || n.check == QLatin1String("tooManyPoints"))
                qDebug().noquote() << n.text;
    }
    if (pointsRefused > 0)
        qDebug() << "Points not loaded, the window is full:" << pointsRefused;
    pointsRefusedSinceClear += pointsRefused;
    showRefusedPoints();
    resetPlotViews();
    I0NinDisp->update();
    NinNoutDisp->update();
    return ScanFileProblems::ofLoad(loaded, scan, details);
}

void Body::addPoint(AMeasP* panel)
{
    PointExtent extent;
    extent.i0 = panel->i0;
    extent.channels = qMin(panel->icrs.size(), panel->scas.size());
    extent.icrRange = panel->icrRange;
    extent.scaRange = panel->scaRange;
    addToExtent(pointSet, pointSet.points.isEmpty(), extent);

    const int row = pointSet.points.size();
    pointSet.points.append(panel);
    // The layout makes the window the panel's parent.
    MCALayout->addWidget(panel, row, 0);
    connect(panel->useInFitBox(), SIGNAL(toggled(bool)), this, SLOT(pointUseToggled(bool)));
}

bool Body::addReadPoint(const LoadedFiles::Point& point, const LoadedFiles::File& file)
{
    const int cost = panelCost(point.icrs, point.scas);
    if (cost > roomLeft) {
        ++pointsRefused;
        return false;
    }
    roomLeft -= cost;
    auto* panel = new AMeasP(point.i0, point.icrs, point.scas, nullptr);
    if (file.scanFile)
        panel->setScanOrigin(file.path, file.scan, point.line, point.indexInFile);
    else
        panel->setOrigin(file.path, point.line);
    panel->time = point.time;
    addPoint(panel);
    return true;
}
