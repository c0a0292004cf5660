#pragma once

// Drives a real main window as a user does: files chosen in the read
// dialog, a name chosen in the save dialog, the plots as painted.

#include "mainwindow/body.h"
#include "plot/dispa.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QMessageBox>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QAbstractButton>
#include <QTemporaryDir>

#include <cmath>

namespace veskor::test {

struct Window
{
    QWidgetList before = QApplication::topLevelWidgets();
    Body body;
    QFileDialog* readDialog = dialog("readDialog");
    QFileDialog* saveDialog = dialog("saveDialog");

    // The dialogs have no parent: a window's own are those that were not
    // there before it was built.
    QFileDialog* dialog(const char* name) const
    {
        const auto tops = QApplication::topLevelWidgets();
        for (QWidget* w : tops)
            if (!before.contains(w) && w->objectName() == QLatin1String(name))
                return qobject_cast<QFileDialog*>(w);
        return nullptr;
    }
    void read(const QStringList& paths) { Q_EMIT readDialog->filesSelected(paths); }
    // Chooses path in the save dialog. Where the window asks what to write
    // for constants the scan does not determine, answer names the button
    // to press ("writeQuadratic", "writeZero"; anything else cancels).
    // Returns whether it asked.
    bool save(const QString& path, const QString& answer = QStringLiteral("writeQuadratic"))
    {
        Q_EMIT saveDialog->fileSelected(path);
        auto* box = body.findChild<QMessageBox*>(QStringLiteral("undeterminedConstants"));
        if (!box)
            return false;
        auto* button = box->findChild<QAbstractButton*>(answer);
        if (button)
            button->click();
        else
            box->button(QMessageBox::Cancel)->click();
        // The box deletes itself on closing; the next save must not find it.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return true;
    }
    DispA* surface(const char* name) { return body.findChild<DispA*>(name); }
    QImage plot(const char* name)
    {
        return surface(name)->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
};

// Writes text to name in dir; an empty path when it could not.
inline QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& text)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
        return QString();
    return path;
}

// A scan of a detector with dead times of about 0.5 us (pre-amplifier) and
// 2.5 us (amplifier), as a count table: I0 over a decade and a half, each
// channel a little more sensitive than the one before. With wide, the
// counts are large enough that every field shows a number of the widest
// kind ("1.23457e+06").
inline QByteArray scanTable(int rows, int channels, bool wide = false)
{
    QByteArray out = "# Channels : " + QByteArray::number(channels) + "\n";
    for (int r = 0; r < rows; ++r) {
        const double i0 =
            (wide ? 2.3456789e7 : 1e5) * std::pow(30.0, r / double(qMax(rows - 1, 1)));
        QByteArray icrs, scas;
        for (int ch = 0; ch < channels; ++ch) {
            const double n0 = (0.3 + 0.01 * ch) * i0;
            const double icr = n0 * std::exp(-n0 * (wide ? 5e-9 : 5e-7));
            const double sca = 0.7 * icr * std::exp(-icr * (wide ? 2.5e-8 : 2.5e-6));
            icrs += ' ' + QByteArray::number(icr, 'g', 12);
            scas += ' ' + QByteArray::number(sca, 'g', 12);
        }
        out += QByteArray::number(i0, 'g', 12) + icrs + scas + '\n';
    }
    return out;
}

// Lets the window lay out and paint what it was just given.
inline void settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

// Gestures on a widget, sent as the events a user's mouse would give.
inline void wheel(QWidget* w, QPoint at, int delta)
{
    QWheelEvent e(at, w->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

inline void mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent e(type, at, w->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

inline void drag(QWidget* w, Qt::MouseButton button, QPoint from, QPoint to)
{
    mouse(w, QEvent::MouseMove, from, Qt::NoButton, Qt::NoButton);
    mouse(w, QEvent::MouseButtonPress, from, button, button);
    mouse(w, QEvent::MouseMove, (from + to) / 2, Qt::NoButton, button);
    mouse(w, QEvent::MouseMove, to, Qt::NoButton, button);
    mouse(w, QEvent::MouseButtonRelease, to, button, Qt::NoButton);
}

inline void doubleClick(QWidget* w, QPoint at)
{
    mouse(w, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    mouse(w, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    mouse(w, QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton);
    mouse(w, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
}

// Chooses the plots' view ("counts", "ratio", "residuals") as the user
// does, in the combo box beside their tabs.
inline void chooseView(Window& w, const QString& view)
{
    auto* box = w.body.findChild<QComboBox*>(QStringLiteral("PlotView"));
    QVERIFY(box);
    const int index = box->findData(view);
    QVERIFY2(index >= 0, qPrintable(view));
    box->setCurrentIndex(index);
    settle();
}

} // namespace veskor::test
