#pragma once

#include "analysis/channelchecks.h"

#include <QString>

#include <functional>

// "tau0" or "tau", as the reports name the constants; empty for None.
QString constantName(ChannelWarning::Constant constant);

// One line of text for a warning of the channel checks, naming the channel
// (from 1). pointName names a point by its index in the points checked, as
// the caller knows them (file and line).
QString channelWarningText(const ChannelWarning& w, const std::function<QString(int)>& pointName);

// A fitted constant as a scientist reads it: in microseconds (the constants
// are in seconds when the ICRs are counts per second) with its standard
// error and the reduced chi-square of the fit it comes from, three
// significant digits each: "τ0 = 0.422 ± 0.277 µs (χ²/ν 0.87)". A figure
// that is not available (NaN) is left out.
QString constantSummary(ChannelWarning::Constant constant, double value, double error,
                        double reducedChiSquare);
