#pragma once

#include "analysis/stagefit.h"

#include <QVector>

// Fits the hybrid model y = A x exp(-r tp) / (1 + r tn) of one stage, r the
// true rate (A x in the input stage, x in the output one), over the pairs
// (x[k], y[k]) with tp, tn >= 0. The weighted least squares, the Poisson
// weights t / f that follow the curve, the points used (x > 0), time and the
// bound on the loss at the top point are those of fitExactStage, whose fits
// of the same stage over the same pairs paralysable and nonParalysable are:
// they give the starting points, and the boundary.
//
// Where the best curve has a negative part, the constrained minimum lies on
// a boundary, tn = 0 (the paralysable fit) or tp = 0 (the non-paralysable
// one): the result is then the feasible pure fit (Fitted, constant >= 0)
// with the lower chi-square, as a hybrid fit of the same curve: scale,
// constant, chi-square and worst point are the pure fit's, bit for bit, the
// other part 0. An interior minimum is taken only where it lowers the
// chi-square by more than rounding, so data on a pure curve give that pure
// fit. With neither minimum to be had the outcome says why: TooSteep,
// NotConverged, or NoInformation when the curve rises at least linearly
// (no part of either kind can be >= 0).
//
// Every fit, on the boundary too, has degrees of freedom n - 3 and errors
// from the covariance of the three coefficients at its curve, scaled by the
// reduced chi-square; the constant tp + tn has the error of the full
// covariance, var tp + var tn + 2 cov. On the boundary the pure fit's own
// errors would hold the third coefficient fixed at 0 and claim a precision
// the hybrid does not have: over scans of a hybrid truth at a 10 % loss,
// where most fits end on a boundary, they covered the truth within two
// errors three times in four. A part at 0 has the error of the covariance
// where tp = 0; where tn = 0, the curve moves with tn^2 alone, and tn's
// error is the square root of tn^2's: how far the data let it go from 0.
// Fewer than three different x > 0 cannot fix three coefficients:
// NoInformation.
StageFit fitHybridStage(DeadTimeStage stage, const QVector<double>& x, const QVector<double>& y,
                        const QVector<double>& time, const StageFit& paralysable,
                        const StageFit& nonParalysable);
