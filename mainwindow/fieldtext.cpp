#include "mainwindow/fieldtext.h"

QString fieldText(double value)
{
    return QString::number(value, 'g', 6);
}
