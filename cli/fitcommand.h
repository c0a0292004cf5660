#pragma once

#include <QStringList>

class QTextStream;

// Exit status of veskor-fit. When several apply, the highest is returned.
enum FitExit
{
    FitDone = 0,
    // An input file could not be opened; the others were analysed and the
    // outputs written from them.
    FitInputUnreadable = 1,
    // The command line is wrong: nothing was read or written.
    FitUsageError = 2,
    // Fewer than two measurement points: nothing fitted, nothing written.
    FitTooFewPoints = 3,
    // A requested output file could not be written.
    FitOutputFailed = 4,
    // --strict, and a warning about the data (or an unreadable file); or -o
    // with an undetermined constant and no --undetermined: nothing was
    // written.
    FitStrictRefused = 5,
};

// veskor-fit [-o FILE [--undetermined quadratic|zero]] [--json] [--plot FILE.png]
//            [--model MODEL] [--strict]
// [--exclude FILE[:LINE]]... FILE...: arguments as
// QCoreApplication::arguments() gives them (program first). Prints the table
// (or the JSON) on out, messages and warnings on err. --plot needs a
// QGuiApplication.
int runFitCommand(const QStringList& arguments, QTextStream& out, QTextStream& err);

// Whether the arguments ask for a plot, so that main() knows to build a
// QGuiApplication rather than a QCoreApplication.
bool fitCommandNeedsGui(int argc, char** argv);
