#include "input/ameasp.h"

#include "input/le.h"
#include "mainwindow/fieldtext.h"

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
}

AMeasP::~AMeasP() = default;
