#include "plot/dispa.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

DispA::DispA(QWidget* parent) : QFrame(parent, Qt::WindowFlags())
{
    setFrameShape(QFrame::StyledPanel);
    // Moves without a button held must arrive too: the plot follows the
    // pointer.
    setAttribute(Qt::WA_MouseTracking);
    bgColor = QColor(255, 255, 255);
    coord.setMouse(&mouse);
}

void DispA::paintEvent(QPaintEvent*)
{
    // The whole surface is drawn every time; the frame's border is not, so
    // the surface shows as a plain rectangle.
    QPainter painter(this);
    painter.fillRect(0, 0, width(), height(), bgColor);
    // y runs from the bottom edge up, so data y grows upward.
    coord.setFrame(0, height(), width(), 0);
    Q_EMIT drawImage1(&painter);
    Q_EMIT drawImage2(&painter);
}

void DispA::mouseMoveEvent(QMouseEvent* e)
{
    // Alt held lets the pointer cross the plot without disturbing it.
    if (e->modifiers() & Qt::AltModifier)
        return;
    mouse.move(e);
    Q_EMIT mouseMoved0();
    update();
}

void DispA::mousePressEvent(QMouseEvent* e)
{
    mouse.press(e);
    Q_EMIT mousePressed0();
    update();
}

void DispA::mouseReleaseEvent(QMouseEvent* e)
{
    mouse.release(e);
    Q_EMIT mouseReleased0();
    update();
}

void DispA::mouseDoubleClickEvent(QMouseEvent* e)
{
    mouse.dClick(e);
    Q_EMIT mouseDoubleClicked0();
    update();
}

void DispA::wheelEvent(QWheelEvent* e)
{
    mouse.wheel(e);
    Q_EMIT wheelMoved0();
    update();
}
