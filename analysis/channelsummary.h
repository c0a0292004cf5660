#pragma once

#include "analysis/channelchecks.h"
#include "analysis/channelmodels.h"

#include <QString>
#include <QStringList>

#include <functional>

// "tau0" or "tau", as the reports name the constants; empty for None.
QString constantName(ChannelWarning::Constant constant);

// One line of text for a warning of the channel and scan checks, naming
// the channel (from 1) unless the warning concerns the whole set. pointName
// names a point by its index in the points checked, as the caller knows
// them (file and line).
QString channelWarningText(const ChannelWarning& w, const std::function<QString(int)>& pointName);

// A fitted constant as a scientist reads it: in microseconds (the constants
// are in seconds when the ICRs are counts per second) with its standard
// error and the reduced chi-square of the fit it comes from, three
// significant digits each: "τ0 = 0.422 ± 0.277 µs (χ²/ν 0.87)". A figure
// that is not available (NaN) is left out.
QString constantSummary(ChannelWarning::Constant constant, double value, double error,
                        double reducedChiSquare);

// A constant in microseconds (from seconds) with its standard error, both
// rounded to the error's second significant digit: "0.466 \u00b1 0.013",
// "250 \u00b1 170". Without an error the value has six significant digits;
// a NaN value is "n/a".
QString valueWithError(double seconds, double errorSeconds);

// The two halves of valueWithError, for a table that shows them in columns
// of their own: errorText is empty where no error is shown.
void valueAndError(double seconds, double errorSeconds, QString& valueText, QString& errorText);

// One line per exact model for the constant of a stage, in the words of
// constantSummary: "paralysable: \u03c40 = 0.75 \u00b1 0.05 \u00b5s (\u03c7\u00b2/\u03bd
// 1.02)"; a model that gives no constant says why.
QStringList exactModelSummaries(const ChannelModels& models, DeadTimeStage stage);
