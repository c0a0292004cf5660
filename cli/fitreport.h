#pragma once

#include <QJsonDocument>
#include <QString>
#include <QStringList>
#include <QVector>

struct ChannelWarning;
struct FitRun;

// The output files a run wrote, for the JSON report.
struct WrittenFiles
{
    QString results;
    QString conf;
    QString plot;
    QString table;
    // The constants the results file holds, where one was written.
    QVector<double> tau0s;
    QVector<double> taus;
};

// The table of an analysed run: two comment lines ("#"), then one line per
// channel with tau0 and tau in microseconds, each with its standard error
// rounded to the error's second significant digit ("0.466 ± 0.013"), the
// model and the reduced chi-square of each stage, and the dead-time
// fractions tau0 * highest ICR and tau * highest ICR. "n/a" where a figure
// is not available.
QString tableText(const FitRun& run);

// One line of text for a warning, naming the channel (from 1) and, for a
// point, its file and line.
QString warningText(const FitRun& run, const ChannelWarning& w);

// The warnings about the files read (no point found, NUL characters,
// values that did not convert), one line each, in file order; each names
// the file and, where it applies, the line.
QStringList fileWarningTexts(const FitRun& run);

// The same as JSON, with the files read, the warnings and the files
// written. JSON has no NaN or infinity: such a value is written as null;
// each channel's "finite" flag and the constants' texts ("nan", "inf", as
// the results file has them) tell a singular fit from a figure that is not
// available.
QJsonDocument jsonReport(const FitRun& run, const WrittenFiles& written);
