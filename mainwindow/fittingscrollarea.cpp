#include "mainwindow/fittingscrollarea.h"

#include <QEvent>
#include <QScrollBar>

FittingScrollArea::FittingScrollArea(QWidget* parent) : QScrollArea(parent)
{
    // The bar comes and goes as the content outgrows the width; its height
    // is part of the hint only while it shows.
    horizontalScrollBar()->installEventFilter(this);
}

QSize FittingScrollArea::sizeHint() const
{
    const int frame = 2 * frameWidth();
    QSize size(frame, frame);
    if (const QWidget* content = widget())
        size += content->sizeHint().expandedTo(content->minimumSizeHint());
    if (horizontalScrollBar()->isVisibleTo(this))
        size.rheight() += horizontalScrollBar()->sizeHint().height();
    if (verticalScrollBar()->isVisibleTo(this))
        size.rwidth() += verticalScrollBar()->sizeHint().width();
    if (maximumShare > 0 && window() != this)
        size.setHeight(qMin(size.height(), int(window()->height() * maximumShare)));
    return size;
}

void FittingScrollArea::setMaximumShare(double share)
{
    maximumShare = share;
    // The bound follows the window's height.
    if (watchedWindow)
        watchedWindow->removeEventFilter(this);
    watchedWindow = window() != this ? window() : nullptr;
    if (watchedWindow)
        watchedWindow->installEventFilter(this);
    updateGeometry();
}

QSize FittingScrollArea::minimumSizeHint() const
{
    QSize size = QScrollArea::minimumSizeHint();
    const int hint = sizeHint().height();
    size.setHeight(verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOff ? hint
                                                                       : qMin(hint, size.height()));
    return size;
}

bool FittingScrollArea::event(QEvent* e)
{
    // The content's layout asks through the viewport when points come or
    // go; the window's layout must then ask this area again.
    if (e->type() == QEvent::LayoutRequest)
        updateGeometry();
    return QScrollArea::event(e);
}

bool FittingScrollArea::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == horizontalScrollBar() &&
        (e->type() == QEvent::Show || e->type() == QEvent::Hide))
        updateGeometry();
    if (watched == watchedWindow && e->type() == QEvent::Resize)
        updateGeometry();
    return QScrollArea::eventFilter(watched, e);
}
