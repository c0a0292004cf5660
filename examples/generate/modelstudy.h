#pragma once

// How well each model recovers the constants of simulated scans
// (scansim.h): how many constants the analysis calls undetermined, and of
// the others the mean bias and how often the true constant lies within one
// and within two standard errors of the fitted one. The fits are
// veskor-fit's own (fitRunModels), on the counts as a count table holds
// them, or for a timed scan on the rates with their times, as --time gives
// them.

#include "analysis/channelmodels.h"
#include "analysis/runanalysis.h"
#include "scansim.h"

#include <QString>
#include <QVector>

#include <cstdint>

struct StudyCell
{
    // Constants fitted, and how many of them the analysis determined.
    int constants = 0;
    int determined = 0;
    // The undetermined ones by reason, indexed by StageFit::Undetermined
    // (No stays 0).
    int undeterminedBy[4] = {0, 0, 0, 0};
    // Over the determined ones: the mean of (fitted - true) / true, and how
    // many lie within one and within two standard errors of the truth.
    double meanBias = 0.0;
    int withinOne = 0;
    int withinTwo = 0;
    // The mean chi-square per degree of freedom of their fits: about 1
    // where the fit weighs the points as their counts scatter (a little
    // above for the input stage, I0 scattering too; well below for the
    // output one, the SCA counts being a share of the ICR's).
    double meanReducedChiSquare = 0.0;

    int undetermined() const { return constants - determined; }
    int undeterminedFor(StageFit::Undetermined why) const { return undeterminedBy[int(why)]; }
    double shareWithinOne() const { return determined ? double(withinOne) / determined : 0.0; }
    double shareWithinTwo() const { return determined ? double(withinTwo) / determined : 0.0; }
};

struct StudyRow
{
    scansim::Truth truth;
    double fraction;
    scansim::ScanKind kind;
    ModelChoice choice;
    StudyCell tau0;
    StudyCell tau;
};

// veskor-fit's fits of one scan with every model (the choice is left to
// ChannelModels::chosen). A timed scan is analysed as rates per second,
// each point's counts divided by its time, which the fits weigh by.
RunAnalysis analyseScan(const scansim::Scan& scan);

// scans scans of one cell, numbers 1 .. scans of the seeds
// scansim::scanSeed gives for studySeed; one row per model choice, in the
// order quadratic, paralysable, non-paralysable, hybrid, auto.
QVector<StudyRow> runStudy(scansim::Truth truth, double fraction, scansim::ScanKind kind, int scans,
                           std::uint64_t studySeed);

// The rows as the README's Markdown table.
QString studyTable(const QVector<StudyRow>& rows);
