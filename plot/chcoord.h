#pragma once

#include <QObject>

class MouseC;

// The coordinate mapper of one plot surface: a pixel frame and a data range
// (the scale), with one linear map per axis between them. Neither pair has
// to be ascending; the surface puts frameY0 at the bottom so that data y
// grows upward. The mouse slots pan and zoom the scale.
//
// A frame or scale of zero width makes the conversions divide by zero; they
// then give an infinity or NaN, which callers must not draw.
class ChCoord : public QObject
{
    Q_OBJECT

public:
    ChCoord() = default;

    // Relays the five signals of m to the mouse slots below. Not owned.
    void setMouse(MouseC* m);

    // Both coordinates of one corner, then both of the other.
    void setFrame(double x0, double y0, double x1, double y1);
    void setScale(double x0, double y0, double x1, double y1);

    double pixX(double v) const;
    double pixY(double v) const;
    double valX(double p) const;
    double valY(double p) const;

    // Whether a pixel lies in the strip along either end of the frame where
    // the wheel zooms the other axis alone. Outside the frame counts as in.
    bool nearEdgeX(double p) const;
    bool nearEdgeY(double p) const;

    MouseC* mouse = nullptr;
    bool xScaleSet = false;
    bool yScaleSet = false;
    double frameX0 = 0, frameX1 = 1;
    double frameY0 = 0, frameY1 = 1;
    double scaleX0 = 0, scaleX1 = 1;
    double scaleY0 = 0, scaleY1 = 1;
    // Width of the edge strips, as a fraction of the frame on that axis.
    double edgeBand = 0.1;

public Q_SLOTS:
    void clearScale();
    void mMoved();
    void mPressed();
    void mReleased();
    void mDClicked();
    void wheelMoved(int step);

Q_SIGNALS:
    void updated();
    void nowPos(double x, double y);
    void newVLines();
};
