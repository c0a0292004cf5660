#include "plot/mousec.h"

#include <QMouseEvent>
#include <QWheelEvent>

#include <cstdlib>

void MouseC::move(QMouseEvent* e)
{
    prevX = nowX;
    prevY = nowY;
    nowX = e->pos().x();
    nowY = e->pos().y();
    moveButton = e->button();
    moveModifiers = e->modifiers();
    Q_EMIT mMoved();
}

void MouseC::press(QMouseEvent* e)
{
    prevX = nowX;
    prevY = nowY;
    pressX = nowX = e->pos().x();
    pressY = nowY = e->pos().y();
    pressed = true;
    pressButton = e->button();
    pressModifiers = e->modifiers();
    Q_EMIT mPressed();
}

void MouseC::release(QMouseEvent* e)
{
    prevX = nowX;
    prevY = nowY;
    releaseX = nowX = e->pos().x();
    releaseY = nowY = e->pos().y();
    pressed = false;
    releaseButton = e->button();
    releaseModifiers = e->modifiers();
    Q_EMIT mReleased();
}

void MouseC::dClick(QMouseEvent* e)
{
    // A double click comes between a press and a release of its own; it must
    // not disturb the drag state those two keep.
    dClickX = e->pos().x();
    dClickY = e->pos().y();
    dClickButton = e->button();
    dClickModifiers = e->modifiers();
    Q_EMIT mDClicked();
}

int MouseC::wheelStep(int delta)
{
    return static_cast<int>(delta * 0.125 / 15);
}

void MouseC::wheel(QWheelEvent* e)
{
    // The single-axis delta: the dominant one of the two, as a plain wheel
    // turns only one. Compared in 64 bits, where no int has no magnitude.
    const QPoint a = e->angleDelta();
    const long long ax = std::llabs(a.x());
    const long long ay = std::llabs(a.y());
    const int delta = ax > ay ? a.x() : a.y();
    Q_EMIT wheelMoved(wheelStep(delta));
}
