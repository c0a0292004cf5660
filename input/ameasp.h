#pragma once

#include "input/pointview.h"
#include "mainwindow/valuerange.h"
#include "ui_ameasp.h"

#include <QFrame>
#include <QVector>

// One measurement point: a one-row strip of read-only fields (I0, the ICR of
// every channel, the SCA count of every channel) that is also the record of
// the point's values.
class AMeasP : public QFrame, private Ui_AMeasP
{
    Q_OBJECT

public:
    AMeasP(double i0, const QVector<double>& icrs, const QVector<double>& scas,
           QWidget* parent = nullptr);
    ~AMeasP() override;

    PointView view() const { return PointView{i0, &icrs, &scas}; }

    double i0 = 0.0;
    QVector<double> icrs;
    QVector<double> scas;
    ValueRange icrRange;
    ValueRange scaRange;
};
