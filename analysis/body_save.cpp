#include "analysis/resultsexport.h"
#include "analysis/resulttexts.h"
#include "mainwindow/body.h"

#include <QMessageBox>
#include <QPushButton>

namespace {

// "τ0 of channels 1-4; τ of channel 3", in the window's language.
QString undeterminedNames(const QVector<UndeterminedConstant>& constants)
{
    return undeterminedChannels(constants, [](DeadTimeStage stage, bool several,
                                              const QString& ranges) {
        const bool input = stage == DeadTimeStage::Input;
        if (!several)
            return (input ? Body::tr("\u03c4"
                                     "0 of channel %1")
                          : Body::tr("\u03c4 of channel %1"))
                .arg(ranges);
        return (input ? Body::tr("\u03c4"
                                 "0 of channels %1")
                      : Body::tr("\u03c4 of channels %1"))
            .arg(ranges);
    });
}

} // namespace

void Body::saveResults(QString fname)
{
    // Before a fit has finished there is nothing to save, and an earlier
    // file must not be overwritten with nothing.
    if (!pointSet.fitted)
        return;
    // The quadratic's files are the window's as they always were; another
    // model may leave a constant the scan does not fix, and the acquisition
    // software must not read a guess (or nan) from the file unasked.
    const QVector<UndeterminedConstant> undetermined =
        pointSet.model == ::ModelChoice::Quadratic ? QVector<UndeterminedConstant>()
                                                   : undeterminedConstants(pointSet.analysis);
    if (undetermined.isEmpty()) {
        writeResultFiles(fname, pointSet.tau0s, pointSet.taus);
        return;
    }
    auto* box = new QMessageBox(
        QMessageBox::Question, tr("Veskor"),
        tr("This scan does not determine %1 with the %2 model. What should the files hold in "
           "their place?")
            .arg(undeterminedNames(undetermined),
                 ResultTexts::choiceLabel(pointSet.model)),
        QMessageBox::NoButton, this);
    box->setObjectName(QStringLiteral("undeterminedConstants"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    QStringList reasons;
    for (const UndeterminedConstant& u : undetermined) {
        const StageFit& fit =
            pointSet.analysis.models[u.channel].chosen(u.stage, pointSet.analysis.choice);
        reasons << tr("Channel %1, %2: %3")
                       .arg(QString::number(u.channel + 1),
                            u.stage == DeadTimeStage::Input ? QStringLiteral("\u03c4"
                                                                             "0")
                                                            : QStringLiteral("\u03c4"),
                            ResultTexts::undetermined(fit, u.stage));
    }
    box->setDetailedText(reasons.join(QLatin1Char('\n')));
    QPushButton* quadratic = box->addButton(tr("The quadratic's constants"), QMessageBox::AcceptRole);
    quadratic->setObjectName(QStringLiteral("writeQuadratic"));
    QPushButton* zero = box->addButton(tr("Zero"), QMessageBox::AcceptRole);
    zero->setObjectName(QStringLiteral("writeZero"));
    box->addButton(QMessageBox::Cancel);
    box->setDefaultButton(QMessageBox::Cancel);
    // What was fitted when the question was asked is what is written: the
    // box is window-modal, but a refit could still come from a timer.
    const RunAnalysis analysis = pointSet.analysis;
    connect(box, &QMessageBox::buttonClicked, this,
            [fname, analysis, quadratic, zero](QAbstractButton* button) {
                if (button != quadratic && button != zero)
                    return;
                QVector<double> tau0s;
                QVector<double> taus;
                constantsToWrite(analysis,
                                 button == zero ? UndeterminedFill::Zero
                                                : UndeterminedFill::Quadratic,
                                 tau0s, taus);
                writeResultFiles(fname, tau0s, taus);
            });
    box->open();
}
