#include "plot/dispa.h"

#include <QApplication>
#include <QContextMenuEvent>
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
    // A right click without a drag asks for the menu. To the mapper it is
    // a zoom box without width or height, which would throw away the view
    // the menu is to copy or save: that view is kept.
    const bool menuClick =
        e->button() == Qt::RightButton && mouse.pressButton == Qt::RightButton &&
        !(mouse.pressModifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) &&
        (e->pos() - QPoint(mouse.pressX, mouse.pressY)).manhattanLength() <
            QApplication::startDragDistance();
    const double x0 = coord.scaleX0, x1 = coord.scaleX1, y0 = coord.scaleY0, y1 = coord.scaleY1;
    const bool xSet = coord.xScaleSet, ySet = coord.yScaleSet;
    mouse.release(e);
    if (menuClick) {
        coord.setScale(x0, y0, x1, y1);
        coord.xScaleSet = xSet;
        coord.yScaleSet = ySet;
    }
    Q_EMIT mouseReleased0();
    update();
    if (menuClick)
        Q_EMIT menuRequested(e->globalPos());
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

void DispA::contextMenuEvent(QContextMenuEvent* e)
{
    // The toolkit asks on the right button's press, which begins a zoom
    // box here; the release decides instead. The menu key asks at once.
    e->accept();
    if (e->reason() != QContextMenuEvent::Mouse)
        Q_EMIT menuRequested(e->globalPos());
}
