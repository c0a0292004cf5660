#pragma once

#include <QScrollArea>

// A scroll area that asks the window's layout for just the room its content
// needs: a few points take a few rows and leave the rest to the plots, many
// points take what the plots leave and scroll. Its size hint follows the
// content's, with the horizontal scroll bar's height added while that bar
// shows, so that the bar never covers the last row.
//
// With the vertical bar switched off the area never gets less height than
// its content needs (a row that must stay whole, such as the fitted
// constants); otherwise it may shrink to a few rows. With a share set, it
// asks for no more than that share of its window's height however much
// content it holds, so that a large load leaves the plots room to grow with
// the window.
class FittingScrollArea : public QScrollArea
{
    Q_OBJECT

public:
    explicit FittingScrollArea(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // A fraction of the window's height; 0 (the default) for no bound.
    void setMaximumShare(double share);

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    double maximumShare = 0;
    QWidget* watchedWindow = nullptr;
};
