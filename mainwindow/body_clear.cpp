#include "mainwindow/body.h"

void Body::clearMcas() {}
