#include "input/ameasp.h"

#include "input/le.h"
#include "mainwindow/fieldtext.h"

#include <QChildEvent>
#include <QDir>

namespace {

void addFields(QGridLayout* row, const QVector<double>& values, ValueRange& range)
{
    for (int k = 0; k < values.size(); ++k) {
        addValueField(row, k, values[k]);
        range.widen(values[k]);
    }
}

} // namespace

AMeasP::AMeasP(double i0_, const QVector<double>& icrs_, const QVector<double>& scas_,
               QWidget* parent)
    : QFrame(parent)
{
    setupUi(this);
    i0 = i0_;
    icrs = icrs_;
    scas = scas_;
    I0->setText(fieldText(i0));
    addFields(ICRsBase, icrs, icrRange);
    addFields(SCAsBase, scas, scaRange);
    lockUseInFit(false);
}

AMeasP::~AMeasP() = default;

void AMeasP::setOrigin(const QString& file, qint64 line)
{
    originFile = file;
    originLine = line;
    const QString path = QDir::toNativeSeparators(file);
    I0->setToolTip(line > 0 ? tr("%1, line %2").arg(path, QString::number(line)) : path);
}

bool AMeasP::usedInFit() const
{
    return UseInFit->isChecked();
}

void AMeasP::showUsedInFit(bool used)
{
    const QString style = used ? QStringLiteral("background-color: rgb(255, 255, 224);")
                               : QStringLiteral("background-color: rgb(232, 232, 232); "
                                                "color: rgb(128, 128, 128);");
    const auto fields = findChildren<QLineEdit*>();
    for (QLineEdit* field : fields)
        field->setStyleSheet(style);
}

void AMeasP::lockUseInFit(bool locked)
{
    UseInFit->setEnabled(!locked);
    UseInFit->setToolTip(locked ? tr("The fit needs at least two points.")
                                : tr("Use this point in the fit. Unchecked, the point is left "
                                     "out of the fit and drawn as a ring."));
}

void AMeasP::setScanOrigin(const QString& file, const QString& scan, qint64 line, int index)
{
    originFile = file;
    originLine = line;
    const QString path = QDir::toNativeSeparators(file);
    const QString row =
        line > 0 ? tr("row %1, line %2").arg(index + 1).arg(line) : tr("point %1").arg(index + 1);
    I0->setToolTip(scan.isEmpty() ? tr("%1, %2").arg(path, row)
                                  : tr("%1, scan %2, %3").arg(path, scan, row));
}

bool AMeasP::event(QEvent* e)
{
    // The I0 field, like the channel fields, keeps the width of its number
    // however narrow the window; its width can be known once it has its
    // style.
    if (e->type() == QEvent::ChildPolished && static_cast<QChildEvent*>(e)->child() == I0)
        I0->setMinimumWidth(valueFieldWidth(*I0));
    return QFrame::event(e);
}
