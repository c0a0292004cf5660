#pragma once

#include <QLineEdit>

class QGridLayout;

// The line edit of every value field made at run time: the panels' channel
// fields and the fit's result fields.
class LE : public QLineEdit
{
    Q_OBJECT

public:
    explicit LE(QWidget* parent = nullptr);
};

// A read-only, right-aligned, pale yellow field showing value in the general
// format with six significant digits. It has no parent until a layout adopts
// it.
LE* makeValueField(double value);

// The same field, made without a parent and placed in grid at row 0 and the
// given column, which gives it its parent.
LE* addValueField(QGridLayout* grid, int column, double value);
