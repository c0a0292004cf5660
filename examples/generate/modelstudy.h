#pragma once

// How well each model recovers the constants of simulated scans
// (scansim.h): the mean bias of the constants, and how often the true
// constant lies within one and within two standard errors of the fitted
// one. The fits are veskor-fit's own (analyseRun), on the counts as a
// count table holds them.

#include "analysis/channelmodels.h"
#include "analysis/runanalysis.h"
#include "scansim.h"

#include <QString>
#include <QVector>

#include <cstdint>

struct StudyCell
{
    // Constants fitted, and how many of them came out (not n/a).
    int constants = 0;
    int available = 0;
    // Mean of (fitted - true) / true over those that came out.
    double meanBias = 0.0;
    // How many lie within one and within two standard errors of the truth.
    int withinOne = 0;
    int withinTwo = 0;

    double shareWithinOne() const { return constants ? double(withinOne) / constants : 0.0; }
    double shareWithinTwo() const { return constants ? double(withinTwo) / constants : 0.0; }
};

struct StudyRow
{
    scansim::Truth truth;
    double fraction;
    ModelChoice choice;
    StudyCell tau0;
    StudyCell tau;
};

// veskor-fit's analysis of one scan, every model fitted (the choice it
// reports is the quadratic; ChannelModels::chosen picks any other).
RunAnalysis analyseScan(const scansim::Scan& scan);

// scans scans of every element, seeds firstSeed, firstSeed + 1, ...; one
// row per model choice, in the order quadratic, paralysable,
// non-paralysable, auto.
QVector<StudyRow> runStudy(scansim::Truth truth, double fraction, int scans,
                           std::uint64_t firstSeed);

// The rows as the README's Markdown table.
QString studyTable(const QVector<StudyRow>& rows);
