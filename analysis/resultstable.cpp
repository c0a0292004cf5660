#include "analysis/resultstable.h"

#include "analysis/channelsummary.h"
#include "analysis/resulttexts.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace {

QString figure(double v)
{
    return std::isnan(v) ? ResultTexts::notAvailableMark() : QString::number(v, 'g', 3);
}

QString csvField(QString text)
{
    if (text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) ||
        text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char(';'))) {
        text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        return QLatin1Char('"') + text + QLatin1Char('"');
    }
    return text;
}

} // namespace

double stageLoss(const StageFit& fit, DeadTimeStage stage, double x)
{
    if (!fit.available())
        return std::numeric_limits<double>::quiet_NaN();
    const double b = stage == DeadTimeStage::Input ? fit.scale * fit.constant : fit.constant;
    const double z = b * x;
    switch (fit.model) {
    case DeadTimeModel::Quadratic:
        return z;
    case DeadTimeModel::Paralyzable:
        return -std::expm1(-z);
    case DeadTimeModel::NonParalyzable:
        return z / (1.0 + z);
    case DeadTimeModel::Hybrid: {
        const double rate = stage == DeadTimeStage::Input ? fit.scale * x : x;
        return -std::expm1(-rate * fit.paralysablePart - std::log1p(rate * fit.nonParalysablePart));
    }
    }
    return std::numeric_limits<double>::quiet_NaN();
}

QVector<ResultRow> resultRows(const RunAnalysis& run, const QVector<PointView>& points,
                              const std::function<QString(int)>& pointName)
{
    double highestI0 = -std::numeric_limits<double>::infinity();
    for (const PointView& p : points)
        highestI0 = std::max(highestI0, p.i0);

    QVector<ResultRow> rows;
    for (int ch = 0; ch < run.reported.tau0s.size(); ++ch) {
        const ChannelStats& s = run.reportedStats[ch];
        const ChannelModels& m = run.models[ch];
        ResultRow r;
        r.channel = ch + 1;
        r.tau0 = run.reported.tau0s[ch];
        r.tau0Error = s.tau0Error;
        r.tau = run.reported.taus[ch];
        r.tauError = s.tauError;
        valueAndError(r.tau0, r.tau0Error, r.tau0Text, r.tau0ErrorText);
        valueAndError(r.tau, r.tauError, r.tauText, r.tauErrorText);
        if (std::isnan(r.tau0))
            r.tau0Text = ResultTexts::notAvailableMark();
        if (std::isnan(r.tau))
            r.tauText = ResultTexts::notAvailableMark();
        const StageFit& in = m.chosen(DeadTimeStage::Input, run.choice);
        const StageFit& out = m.chosen(DeadTimeStage::Output, run.choice);
        r.tau0Undetermined = ResultTexts::undetermined(in, DeadTimeStage::Input);
        r.tauUndetermined = ResultTexts::undetermined(out, DeadTimeStage::Output);
        if (!in.determined()) {
            r.tau0Text = ResultTexts::undeterminedMark();
            r.tau0ErrorText.clear();
        }
        if (!out.determined()) {
            r.tauText = ResultTexts::undeterminedMark();
            r.tauErrorText.clear();
        }
        int k = 0;
        for (DeadTimeStage stage : {DeadTimeStage::Input, DeadTimeStage::Output})
            for (DeadTimeModel model : {DeadTimeModel::Paralyzable, DeadTimeModel::NonParalyzable}) {
                const StageFit& fit = m.fit(stage, model);
                r.exactValues[k] = fit.available() ? fit.constant : StageFit::notAvailable;
                r.exactTexts[k] = !fit.determined() ? ResultTexts::undeterminedMark()
                                                    : valueWithError(fit.constant,
                                                                     fit.constantError);
                ++k;
            }
        r.inputModel = ResultTexts::stageModelLabel(m, DeadTimeStage::Input, run.choice);
        r.outputModel = ResultTexts::stageModelLabel(m, DeadTimeStage::Output, run.choice);
        r.inputChiSquare = s.inputChiSquare;
        r.outputChiSquare = s.outputChiSquare;
        r.inputLoss =
            stageLoss(m.chosen(DeadTimeStage::Input, run.choice), DeadTimeStage::Input, highestI0);
        r.outputLoss = stageLoss(m.chosen(DeadTimeStage::Output, run.choice), DeadTimeStage::Output,
                                 s.highestIcr);
        for (const ChannelWarning& w : run.warnings) {
            if (w.channel >= 0 && w.channel != ch)
                continue;
            r.warnings << ResultTexts::warning(w, run.models, run.choice, pointName);
            const QString tag = ResultTexts::warningTag(w.check);
            if (!r.tags.contains(tag))
                r.tags << tag;
        }
        rows.append(r);
    }
    return rows;
}

ResultsTableModel::ResultsTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void ResultsTableModel::setRows(const QVector<ResultRow>& rows)
{
    beginResetModel();
    shown = rows;
    endResetModel();
    // A new fit keeps the order the user chose.
    if (sortColumn >= 0)
        sort(sortColumn, sortOrder);
}

int ResultsTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : shown.size();
}

int ResultsTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString ResultsTableModel::cellText(const ResultRow& r, int column) const
{
    switch (column) {
    case Channel:
        return QString::number(r.channel);
    case Tau0:
        return r.tau0Text;
    case Tau0Error:
        return r.tau0ErrorText;
    case Tau:
        return r.tauText;
    case TauError:
        return r.tauErrorText;
    case InputModel:
        return r.inputModel;
    case OutputModel:
        return r.outputModel;
    case InputChiSquare:
        return figure(r.inputChiSquare);
    case OutputChiSquare:
        return figure(r.outputChiSquare);
    case InputLoss:
        return figure(r.inputLoss * 100);
    case OutputLoss:
        return figure(r.outputLoss * 100);
    case Tau0Paralyzable:
    case Tau0NonParalyzable:
    case TauParalyzable:
    case TauNonParalyzable:
        return r.exactTexts[column - Tau0Paralyzable];
    case Warnings:
        return r.tags.join(QStringLiteral(", "));
    }
    return QString();
}

QVariant ResultsTableModel::sortKey(const ResultRow& r, int column) const
{
    switch (column) {
    case Channel:
        return r.channel;
    case Tau0:
        return r.tau0;
    case Tau0Error:
        return r.tau0Error;
    case Tau:
        return r.tau;
    case TauError:
        return r.tauError;
    case InputChiSquare:
        return r.inputChiSquare;
    case OutputChiSquare:
        return r.outputChiSquare;
    case InputLoss:
        return r.inputLoss;
    case OutputLoss:
        return r.outputLoss;
    case Tau0Paralyzable:
    case Tau0NonParalyzable:
    case TauParalyzable:
    case TauNonParalyzable:
        return r.exactValues[column - Tau0Paralyzable];
    case Warnings:
        return r.warnings.size();
    default:
        return cellText(r, column);
    }
}

QVariant ResultsTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= shown.size())
        return QVariant();
    const ResultRow& r = shown[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        return cellText(r, index.column());
    case Qt::ToolTipRole:
        if (index.column() == Warnings && !r.warnings.isEmpty())
            return r.warnings.join(QLatin1Char('\n'));
        if (index.column() == Tau0 && !r.tau0Undetermined.isEmpty())
            return r.tau0Undetermined;
        if (index.column() == Tau && !r.tauUndetermined.isEmpty())
            return r.tauUndetermined;
        return QVariant();
    case Qt::TextAlignmentRole:
        if (index.column() == InputModel || index.column() == OutputModel ||
            index.column() == Warnings)
            return int(Qt::AlignLeft | Qt::AlignVCenter);
        return int(Qt::AlignRight | Qt::AlignVCenter);
    default:
        return QVariant();
    }
}

QVariant ResultsTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return QVariant();
    if (role == Qt::DisplayRole) {
        switch (section) {
        case Channel:
            return ResultTexts::tr("Channel");
        case Tau0:
            return ResultTexts::tr("\u03c4"
                                   "0 (\u00b5s)");
        case Tau0Error:
            return ResultTexts::tr("\u00b1 \u03c4"
                                   "0 (\u00b5s)");
        case Tau:
            return ResultTexts::tr("\u03c4 (\u00b5s)");
        case TauError:
            return ResultTexts::tr("\u00b1 \u03c4 (\u00b5s)");
        case InputModel:
            return ResultTexts::tr("Model (preAmp)");
        case OutputModel:
            return ResultTexts::tr("Model (Amp)");
        case InputChiSquare:
            return ResultTexts::tr("\u03c7\u00b2/\u03bd (preAmp)");
        case OutputChiSquare:
            return ResultTexts::tr("\u03c7\u00b2/\u03bd (Amp)");
        case InputLoss:
            return ResultTexts::tr("Loss (preAmp) %");
        case OutputLoss:
            return ResultTexts::tr("Loss (Amp) %");
        case Tau0Paralyzable:
            return ResultTexts::tr("\u03c4"
                                   "0 %1 (\u00b5s)")
                .arg(ResultTexts::modelLabel(DeadTimeModel::Paralyzable));
        case Tau0NonParalyzable:
            return ResultTexts::tr("\u03c4"
                                   "0 %1 (\u00b5s)")
                .arg(ResultTexts::modelLabel(DeadTimeModel::NonParalyzable));
        case TauParalyzable:
            return ResultTexts::tr("\u03c4 %1 (\u00b5s)")
                .arg(ResultTexts::modelLabel(DeadTimeModel::Paralyzable));
        case TauNonParalyzable:
            return ResultTexts::tr("\u03c4 %1 (\u00b5s)")
                .arg(ResultTexts::modelLabel(DeadTimeModel::NonParalyzable));
        case Warnings:
            return ResultTexts::tr("Warnings");
        }
    }
    if (role == Qt::ToolTipRole) {
        switch (section) {
        case Tau0Error:
        case TauError:
            return ResultTexts::tr("Standard error of the constant, from the scatter of the "
                                   "points about the curve");
        case InputChiSquare:
        case OutputChiSquare:
            return ResultTexts::tr("Reduced chi-square: about 1 when the points scatter as "
                                   "counting allows, well above 1 when something else adds "
                                   "scatter");
        case InputLoss:
        case OutputLoss:
            return ResultTexts::tr("Share of the events the stage loses at its highest rate, on "
                                   "the curve of its model");
        case Tau0Paralyzable:
        case Tau0NonParalyzable:
        case TauParalyzable:
        case TauNonParalyzable:
            return ResultTexts::tr("The exact model's constant whichever model is chosen: where "
                                   "the two differ by more than their errors, the choice "
                                   "matters");
        case Warnings:
            return ResultTexts::tr("Rest the pointer on a cell for the full texts");
        default:
            break;
        }
    }
    return QVariant();
}

void ResultsTableModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ColumnCount)
        return;
    sortColumn = column;
    sortOrder = order;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // A figure that is not available goes last either way: it is no
    // number to rank.
    auto missing = [](const QVariant& v) {
        return v.userType() == QMetaType::Double && std::isnan(v.toDouble());
    };
    std::stable_sort(shown.begin(), shown.end(), [&](const ResultRow& a, const ResultRow& b) {
        const QVariant ka = sortKey(a, column);
        const QVariant kb = sortKey(b, column);
        if (missing(ka) || missing(kb))
            return !missing(ka) && missing(kb);
        bool less = false;
        bool greater = false;
        if (ka.userType() == QMetaType::QString) {
            const int c = QString::localeAwareCompare(ka.toString(), kb.toString());
            less = c < 0;
            greater = c > 0;
        } else {
            less = ka.toDouble() < kb.toDouble();
            greater = ka.toDouble() > kb.toDouble();
        }
        return order == Qt::AscendingOrder ? less : greater;
    });
    // No persistent index outlives a fit here, so none needs moving.
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

QString ResultsTableModel::copyText(const QModelIndexList& cells) const
{
    QVector<int> rowsWanted;
    QVector<int> columnsWanted;
    if (cells.isEmpty()) {
        rowsWanted.resize(shown.size());
        std::iota(rowsWanted.begin(), rowsWanted.end(), 0);
        columnsWanted.resize(ColumnCount);
        std::iota(columnsWanted.begin(), columnsWanted.end(), 0);
    } else {
        for (const QModelIndex& i : cells) {
            if (!rowsWanted.contains(i.row()))
                rowsWanted << i.row();
            if (!columnsWanted.contains(i.column()))
                columnsWanted << i.column();
        }
        std::sort(rowsWanted.begin(), rowsWanted.end());
        std::sort(columnsWanted.begin(), columnsWanted.end());
    }
    QStringList head;
    for (int c : qAsConst(columnsWanted))
        head << headerData(c, Qt::Horizontal).toString();
    QString text = head.join(QLatin1Char('\t')) + QLatin1Char('\n');
    for (int r : qAsConst(rowsWanted)) {
        QStringList line;
        for (int c : qAsConst(columnsWanted)) {
            const bool wanted = cells.isEmpty() || cells.contains(index(r, c));
            line << (wanted ? cellText(shown[r], c) : QString());
        }
        text += line.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    return text;
}

QByteArray ResultsTableModel::csv() const
{
    QStringList head;
    for (int c = 0; c < ColumnCount; ++c)
        head << csvField(headerData(c, Qt::Horizontal).toString());
    QString text = head.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    for (const ResultRow& r : shown) {
        QStringList line;
        for (int c = 0; c < ColumnCount; ++c)
            line << csvField(c == Warnings ? r.warnings.join(QStringLiteral(" | "))
                                           : cellText(r, c));
        text += line.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    return QByteArray("\xef\xbb\xbf") + text.toUtf8();
}
