#pragma once

// Drives a real main window as a user does: files chosen in the read
// dialog, a name chosen in the save dialog, the plots as painted.

#include "mainwindow/body.h"
#include "plot/dispa.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QTemporaryDir>

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
    void save(const QString& path) { Q_EMIT saveDialog->fileSelected(path); }
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

} // namespace veskor::test
