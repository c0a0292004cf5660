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

    PointView view() const { return PointView{i0, &icrs, &scas, time}; }

    // Whether the point enters the fit, as its check box says; the window
    // listens to the box.
    bool usedInFit() const;
    QCheckBox* useInFitBox() const { return UseInFit; }
    // Greys the fields of a point left out of the fit, or gives them back
    // their colour.
    void showUsedInFit(bool used);
    // A point among the last two in the fit cannot be left out: its box is
    // locked, and says why.
    void lockUseInFit(bool locked);

    // Where the point was read: the file and, for a row of a count table,
    // its line (from 1; 0 for a spectrum file, which is one point). The I0
    // field names it in its tool tip.
    void setOrigin(const QString& file, qint64 line);
    // The same for a point of a scan file: its SPEC scan (empty for other
    // formats), its line (0 in HDF5) and its place in the scan (from 0).
    void setScanOrigin(const QString& file, const QString& scan, qint64 line, int index);
    QString originFile;
    qint64 originLine = 0;
    // The time the values were divided by: 1 for counts (see PointView).
    double time = 1.0;

    double i0 = 0.0;
    QVector<double> icrs;
    QVector<double> scas;
    ValueRange icrRange;
    ValueRange scaRange;

protected:
    bool event(QEvent* e) override;
};
