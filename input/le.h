#pragma once

#include <QLineEdit>

class QGridLayout;

// The line edit of every value field made at run time: the panels' channel
// fields and the fit's result fields. However little room the window has,
// a field keeps the width its number needs (the panel column scrolls
// instead), and fields of the usual numbers all get one width, so that the
// channels of all panels stand in columns.
class LE : public QLineEdit
{
    Q_OBJECT

public:
    explicit LE(QWidget* parent = nullptr);

    QSize minimumSizeHint() const override;
};

// The width field needs to show its whole text, and at least any number of
// the field format up to "-8.88888e+88", in its current style and font.
int valueFieldWidth(const QLineEdit& field);

// A read-only, right-aligned, pale yellow field showing value in the general
// format with six significant digits. It has no parent until a layout adopts
// it.
LE* makeValueField(double value);

// The same field, made without a parent and placed in grid at row 0 and the
// given column, which gives it its parent.
LE* addValueField(QGridLayout* grid, int column, double value);
