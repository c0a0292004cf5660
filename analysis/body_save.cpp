#include "analysis/resultsexport.h"
#include "mainwindow/body.h"

void Body::saveResults(QString fname)
{
    // Before a fit has finished there is nothing to save, and an earlier
    // file must not be overwritten with nothing.
    if (!pointSet.fitted)
        return;
    writeResultFiles(fname, pointSet.tau0s, pointSet.taus);
}
