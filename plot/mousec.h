#pragma once

#include <QObject>

class QMouseEvent;
class QWheelEvent;

// The mouse relay of one plot surface: it records each mouse and wheel event
// of the surface and then announces it, so that whoever listens (the
// surface's mapper) reads the new state.
class MouseC : public QObject
{
    Q_OBJECT

public:
    MouseC() = default;

    void move(QMouseEvent* e);
    void press(QMouseEvent* e);
    void release(QMouseEvent* e);
    void dClick(QMouseEvent* e);
    void wheel(QWheelEvent* e);

    // Whole wheel notches in an angle delta given in eighths of a degree,
    // truncated toward zero: 120 is one notch, 60 is none.
    static int wheelStep(int delta);

    // Positions are the surface's own integer pixels.
    int prevX = 0, prevY = 0;
    int nowX = 0, nowY = 0;
    int pressX = 0, pressY = 0;
    int releaseX = 0, releaseY = 0;
    int dClickX = 0, dClickY = 0;
    bool pressed = false;
    Qt::MouseButton moveButton = Qt::NoButton;
    Qt::MouseButton pressButton = Qt::NoButton;
    Qt::MouseButton releaseButton = Qt::NoButton;
    Qt::MouseButton dClickButton = Qt::NoButton;
    Qt::KeyboardModifiers moveModifiers = Qt::NoModifier;
    Qt::KeyboardModifiers pressModifiers = Qt::NoModifier;
    Qt::KeyboardModifiers releaseModifiers = Qt::NoModifier;
    Qt::KeyboardModifiers dClickModifiers = Qt::NoModifier;

Q_SIGNALS:
    void mMoved();
    void mPressed();
    void mReleased();
    void mDClicked();
    void wheelMoved(int step);
};
