#include "plot/chcoord.h"

#include "plot/mousec.h"

#include <algorithm>
#include <cmath>

namespace {

bool inEdgeBand(double p, double a, double b, double band)
{
    const double lo = std::min(a, b);
    const double hi = std::max(a, b);
    const double c = std::abs(b - a) * band;
    return p < lo + c || p > hi - c;
}

// A drag or zoom started with one of these held is left to whoever else
// listens to the surface.
bool plainDrag(Qt::KeyboardModifiers m)
{
    return !(m & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier));
}

} // namespace

void ChCoord::setMouse(MouseC* m)
{
    mouse = m;
    connect(m, SIGNAL(mMoved()), this, SLOT(mMoved()));
    connect(m, SIGNAL(mPressed()), this, SLOT(mPressed()));
    connect(m, SIGNAL(mReleased()), this, SLOT(mReleased()));
    connect(m, SIGNAL(mDClicked()), this, SLOT(mDClicked()));
    connect(m, SIGNAL(wheelMoved(int)), this, SLOT(wheelMoved(int)));
}

void ChCoord::setFrame(double x0, double y0, double x1, double y1)
{
    frameX0 = x0;
    frameY0 = y0;
    frameX1 = x1;
    frameY1 = y1;
}

void ChCoord::setScale(double x0, double y0, double x1, double y1)
{
    scaleX0 = x0;
    scaleY0 = y0;
    scaleX1 = x1;
    scaleY1 = y1;
    xScaleSet = true;
    yScaleSet = true;
}

// The quotient is formed first in all four, so that a value and its pixel
// map back and forth through the same factor.
double ChCoord::pixX(double v) const
{
    return frameX0 + (v - scaleX0) * ((frameX1 - frameX0) / (scaleX1 - scaleX0));
}

double ChCoord::pixY(double v) const
{
    return frameY0 + (v - scaleY0) * ((frameY1 - frameY0) / (scaleY1 - scaleY0));
}

double ChCoord::valX(double p) const
{
    return scaleX0 + (p - frameX0) * ((scaleX1 - scaleX0) / (frameX1 - frameX0));
}

double ChCoord::valY(double p) const
{
    return scaleY0 + (p - frameY0) * ((scaleY1 - scaleY0) / (frameY1 - frameY0));
}

bool ChCoord::nearEdgeX(double p) const
{
    return inEdgeBand(p, frameX0, frameX1, edgeBand);
}

bool ChCoord::nearEdgeY(double p) const
{
    return inEdgeBand(p, frameY0, frameY1, edgeBand);
}

void ChCoord::clearScale()
{
    scaleX0 = scaleX1 = scaleY0 = scaleY1 = 0;
    xScaleSet = yScaleSet = false;
}

void ChCoord::mMoved()
{
    // Without a relay there is no position to act on.
    if (!mouse) {
        Q_EMIT updated();
        return;
    }
    const double x = valX(mouse->nowX);
    const double y = valY(mouse->nowY);
    Q_EMIT nowPos(x, y);
    if (mouse->pressed && mouse->pressButton == Qt::LeftButton &&
        plainDrag(mouse->pressModifiers)) {
        // The data point that was under the previous position moves under
        // the pointer: the plot follows the hand.
        const double dx = valX(mouse->prevX) - x;
        const double dy = valY(mouse->prevY) - y;
        scaleX0 += dx;
        scaleX1 += dx;
        scaleY0 += dy;
        scaleY1 += dy;
    }
    Q_EMIT updated();
}

void ChCoord::mPressed()
{
    Q_EMIT updated();
}

void ChCoord::mReleased()
{
    // The press decides what the drag was; the release only ends it.
    if (mouse && mouse->pressButton == Qt::RightButton && plainDrag(mouse->pressModifiers)) {
        // Corners ordered by x alone, each keeping its own y: dragging
        // from lower left to upper right turns the y axis upside down.
        int ax = mouse->pressX, ay = mouse->pressY;
        int bx = mouse->releaseX, by = mouse->releaseY;
        if (!(mouse->pressX <= mouse->releaseX)) {
            std::swap(ax, bx);
            std::swap(ay, by);
        }
        const double x0 = valX(ax);
        const double x1 = valX(bx);
        const double y0 = valY(by);
        const double y1 = valY(ay);
        scaleX0 = x0;
        scaleX1 = x1;
        scaleY0 = y0;
        scaleY1 = y1;
        xScaleSet = true;
        yScaleSet = true;
    }
    Q_EMIT updated();
}

void ChCoord::mDClicked()
{
    Q_EMIT updated();
}

void ChCoord::wheelMoved(int step)
{
    if (!mouse) {
        Q_EMIT updated();
        return;
    }
    // Only the direction counts; a partial notch zooms in.
    const double k = step < 0 ? 1.1 : 1 / 1.1;
    const bool ex = nearEdgeX(mouse->nowX);
    const bool ey = nearEdgeY(mouse->nowY);
    // Over a side strip, where a y axis would stand, only y zooms; over the
    // top or bottom strip only x; elsewhere both.
    const bool zoomX = !(ex && !ey);
    const bool zoomY = !(ey && !ex);
    const double mx = valX(mouse->nowX);
    const double my = valY(mouse->nowY);
    if (zoomX) {
        scaleX0 = mx + (scaleX0 - mx) * k;
        scaleX1 = mx + (scaleX1 - mx) * k;
        xScaleSet = true;
    }
    if (zoomY) {
        scaleY0 = my + (scaleY0 - my) * k;
        scaleY1 = my + (scaleY1 - my) * k;
        yScaleSet = true;
    }
    Q_EMIT updated();
}
