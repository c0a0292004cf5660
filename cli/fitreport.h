#pragma once

#include <QJsonDocument>
#include <QString>
#include <QStringList>

struct ChannelWarning;
struct FitRun;

// The output files a run wrote, for the JSON report.
struct WrittenFiles
{
    QString results;
    QString conf;
    QString plot;
};

// The table of an analysed run: two comment lines ("#"), then one line per
// channel with tau0, its standard error, tau, its standard error, the
// reduced chi-square of the input and of the output fit, and the dead-time
// fractions tau0 * highest ICR and tau * highest ICR. Numbers in the
// window's field format; "n/a" where a figure is not available.
QString tableText(const FitRun& run);

// One line of text for a warning, naming the channel (from 1) and, for a
// point, its file.
QString warningText(const FitRun& run, const ChannelWarning& w);

// The same as JSON, with the files read, the warnings and the files
// written. JSON has no NaN or infinity: such a value is written as null;
// each channel's "finite" flag and the constants' texts ("nan", "inf", as
// the results file has them) tell a singular fit from a figure that is not
// available.
QJsonDocument jsonReport(const FitRun& run, const WrittenFiles& written);
