#pragma once

#include "analysis/runanalysis.h"
#include "input/pointview.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QModelIndexList>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

// One channel of the results table: the constants of the model the run
// reports, in the window's words.
struct ResultRow
{
    int channel = 0; // from 1
    // Seconds; NaN where not available.
    double tau0 = 0.0;
    double tau0Error = 0.0;
    double tau = 0.0;
    double tauError = 0.0;
    // In microseconds, the error to two significant digits and the value to
    // the same decimal place; the error empty where there is none.
    QString tau0Text;
    QString tau0ErrorText;
    QString tauText;
    QString tauErrorText;
    // Why the constant is undetermined, where it is (the value's cell then
    // says "undetermined" and the error's is empty).
    QString tau0Undetermined;
    QString tauUndetermined;
    // Both exact models, whatever is chosen: "0.530 ± 0.011" in
    // microseconds, "undetermined" or "n/a"; in the order tau0
    // paralyzable, tau0 nonparalyzable, tau paralyzable, tau
    // nonparalyzable, with the values in seconds to sort by.
    QString exactTexts[4];
    double exactValues[4] = {0.0, 0.0, 0.0, 0.0};
    QString inputModel;
    QString outputModel;
    double inputChiSquare = 0.0;
    double outputChiSquare = 0.0;
    // The share of the events each stage loses at its highest rate, on the
    // curve of its model: 1 - h(B x) at the highest I0 (input) or ICR
    // (output) fitted.
    double inputLoss = 0.0;
    double outputLoss = 0.0;
    // The channel's warnings, as ResultTexts words them, and a tag for each
    // kind among them.
    QStringList warnings;
    QStringList tags;
};

// The share lost by a stage of model fit at x, 1 - h(B x); NaN for a stage
// without a constant.
double stageLoss(const StageFit& fit, DeadTimeStage stage, double x);

// One row per channel of run, as reported by its choice; points are those
// it was fitted over, pointName names one by its index among them.
QVector<ResultRow> resultRows(const RunAnalysis& run, const QVector<PointView>& points,
                              const std::function<QString(int)>& pointName);

// The results table over rows: every column sorts (numbers as numbers, a
// figure that is not available last), the warnings cell holds the tags and
// its tool tip the full texts.
class ResultsTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        Channel,
        Tau0,
        Tau0Error,
        Tau,
        TauError,
        InputModel,
        OutputModel,
        InputChiSquare,
        OutputChiSquare,
        InputLoss,
        OutputLoss,
        Tau0Paralyzable,
        Tau0NonParalyzable,
        TauParalyzable,
        TauNonParalyzable,
        Warnings,
        ColumnCount
    };

    explicit ResultsTableModel(QObject* parent = nullptr);

    void setRows(const QVector<ResultRow>& rows);
    const QVector<ResultRow>& rows() const { return shown; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // The cells as shown, tab-separated with a header line, over the rows
    // and columns that hold a cell of cells (every cell when it is empty);
    // cells of those rows and columns that are not among them stay empty.
    QString copyText(const QModelIndexList& cells) const;
    // The whole table as CSV (UTF-8 with a byte order mark, so spreadsheets
    // read the units and any Japanese; lines end in CR LF), the warnings
    // column holding the full texts.
    QByteArray csv() const;

private:
    QString cellText(const ResultRow& row, int column) const;
    QVariant sortKey(const ResultRow& row, int column) const;

    QVector<ResultRow> shown;
    int sortColumn = -1;
    Qt::SortOrder sortOrder = Qt::AscendingOrder;
};
