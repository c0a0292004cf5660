#pragma once

#include "plot/chcoord.h"
#include "plot/mousec.h"

#include <QColor>
#include <QFrame>

class QContextMenuEvent;
class QMouseEvent;
class QPaintEvent;
class QPainter;
class QWheelEvent;

// A surface that one plot is drawn on. Every paint fills it with its
// background and hands the painter to whoever draws; every mouse and wheel
// event is answered with a signal and a repaint.
class DispA : public QFrame
{
    Q_OBJECT

public:
    explicit DispA(QWidget* parent = nullptr);

    // The plot drawn on the surface reaches the mapper here; the mouse
    // drives it through the relay.
    ChCoord coord;
    MouseC mouse;
    QColor bgColor;

Q_SIGNALS:
    void drawImage1(QPainter* p);
    void drawImage2(QPainter* p);
    void mouseMoved0();
    void mousePressed0();
    void mouseReleased0();
    void mouseDoubleClicked0();
    void wheelMoved0();
    // A right click that did not drag, or the menu key: the plot's menu is
    // asked for at globalPos.
    void menuRequested(QPoint globalPos);

private Q_SLOTS:
    void paintEvent(QPaintEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

protected:
    void contextMenuEvent(QContextMenuEvent* e) override;
};
