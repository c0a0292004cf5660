#pragma once

#include <QString>

// The text of every value field: the general format with six significant
// digits ("152340", "1.23457e+06", "2.5e-07", "nan", "inf").
QString fieldText(double value);
