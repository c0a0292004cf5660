// Plays the user in the real program: an input plugin that the toolkit
// loads when QT_QPA_GENERIC_PLUGINS names it ("veskordriver:<steps>"), so
// the program runs its own main() unchanged. Once the event loop runs it
// takes the steps, separated by '+', and writes what it sees to stdout:
//
//   look         the screen's available size, the window's title, size,
//                visibility and button texts
//   open-read    clicks Read File(s) and tells whether the dialog shows
//   cancel       cancels the read dialog, as its Cancel button does
//   quit         clicks Quit
//   drop-dialog  makes a file dialog of its own and destroys it (shows
//                that settings written by a dialog would be found)
//   read:F;G     accepts files F and G in the read dialog
//   size:WxH     resizes the window
//   model:NAME   chooses the model whose item data is NAME
//   view:NAME    chooses the plot view whose item data is NAME
//   tab:N        shows tab N of the plots and the results table
//   leave-out:N  unchecks the "use in fit" box of point N (from 1)
//   zoom:PLOT:L;T;R;B  drags a box with the right button over the plot
//                surface named PLOT, from (L, T) to (R, B) in hundredths
//                of its width and height
//   accept-mapping  accepts the mapping dialog of scan files as it stands
//   tip:N        prints the tool tip of result field N (from 1: tau0 of
//                channel 1, tau of channel 1, tau0 of channel 2, ...)
//   grab:FILE    writes what the window shows to the PNG image FILE
//
// A step that finds nothing to act on ends the program with status 3.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QGenericPlugin>
#include <QGridLayout>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>

namespace {

void say(const QString& line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

template <typename T> T* topLevel(const QString& name)
{
    const auto tops = QApplication::topLevelWidgets();
    for (QWidget* w : tops)
        if (w->objectName() == name)
            if (auto* t = qobject_cast<T*>(w))
                return t;
    return nullptr;
}

class Driver : public QObject
{
public:
    explicit Driver(const QString& stepList) : steps(stepList.split(QLatin1Char('+')))
    {
        QTimer::singleShot(0, this, [this] { run(); });
    }

private:
    void run()
    {
        for (const QString& step : qAsConst(steps))
            if (!take(step)) {
                say(QStringLiteral("failed: ") + step);
                QCoreApplication::exit(3);
                return;
            }
    }

    bool take(const QString& step)
    {
        auto* body = topLevel<QWidget>(QStringLiteral("Body"));
        if (step == QLatin1String("drop-dialog")) {
            delete new QFileDialog;
            return true;
        }
        if (!body)
            return false;
        if (step == QLatin1String("look")) {
            const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
            say(QStringLiteral("screen %1x%2").arg(screen.width()).arg(screen.height()));
            say(QStringLiteral("window %1 %2x%3 %4")
                    .arg(body->windowTitle())
                    .arg(body->width())
                    .arg(body->height())
                    .arg(body->isVisible() ? "shown" : "hidden"));
            for (const char* name : {"ReadFiles", "SaveResult", "Clear", "Quit"}) {
                auto* button = body->findChild<QPushButton*>(QLatin1String(name));
                if (!button)
                    return false;
                say(QStringLiteral("%1 %2").arg(QLatin1String(name), button->text()));
            }
            return true;
        }
        if (step == QLatin1String("open-read") || step == QLatin1String("quit")) {
            auto* button = body->findChild<QPushButton*>(step == QLatin1String("quit")
                                                             ? QStringLiteral("Quit")
                                                             : QStringLiteral("ReadFiles"));
            if (!button)
                return false;
            button->click();
            if (step == QLatin1String("open-read")) {
                auto* dialog = topLevel<QFileDialog>(QStringLiteral("readDialog"));
                say(QStringLiteral("read dialog %1")
                        .arg(dialog && dialog->isVisible() ? "shown" : "missing"));
            }
            return true;
        }
        // Whatever the steps change is laid out and painted before the next.
        const auto settle = [] {
            for (int i = 0; i < 5; ++i)
                QCoreApplication::processEvents();
        };
        const QString value = step.section(QLatin1Char(':'), 1);
        if (step.startsWith(QLatin1String("read:"))) {
            auto* dialog = topLevel<QFileDialog>(QStringLiteral("readDialog"));
            if (!dialog)
                return false;
            Q_EMIT dialog->filesSelected(value.split(QLatin1Char(';')));
            settle();
            return true;
        }
        if (step.startsWith(QLatin1String("size:"))) {
            body->resize(value.section(QLatin1Char('x'), 0, 0).toInt(),
                         value.section(QLatin1Char('x'), 1).toInt());
            settle();
            return true;
        }
        if (step.startsWith(QLatin1String("model:")) || step.startsWith(QLatin1String("view:"))) {
            auto* choice = body->findChild<QComboBox*>(step.startsWith(QLatin1String("model:"))
                                                           ? QStringLiteral("ModelChoice")
                                                           : QStringLiteral("PlotView"));
            const int index = choice ? choice->findData(value) : -1;
            if (index < 0)
                return false;
            choice->setCurrentIndex(index);
            settle();
            return true;
        }
        if (step.startsWith(QLatin1String("tab:"))) {
            auto* tabs = body->findChild<QTabWidget*>(QStringLiteral("ResultTabs"));
            if (!tabs)
                return false;
            tabs->setCurrentIndex(value.toInt());
            settle();
            return true;
        }
        if (step.startsWith(QLatin1String("leave-out:"))) {
            const auto boxes = body->findChildren<QCheckBox*>(QStringLiteral("UseInFit"));
            const int n = value.toInt();
            if (n < 1 || n > boxes.size())
                return false;
            boxes[n - 1]->click();
            settle();
            return true;
        }
        if (step.startsWith(QLatin1String("zoom:"))) {
            auto* plot = body->findChild<QWidget*>(value.section(QLatin1Char(':'), 0, 0));
            const QStringList box = value.section(QLatin1Char(':'), 1).split(QLatin1Char(';'));
            if (!plot || box.size() != 4)
                return false;
            const auto at = [&](int i) {
                return QPoint(plot->width() * box[i].toInt() / 100,
                              plot->height() * box[i + 1].toInt() / 100);
            };
            const auto send = [plot](QEvent::Type type, QPoint where, Qt::MouseButton button,
                                     Qt::MouseButtons held) {
                QMouseEvent e(type, where, plot->mapToGlobal(where), button, held, Qt::NoModifier);
                QApplication::sendEvent(plot, &e);
            };
            send(QEvent::MouseMove, at(0), Qt::NoButton, Qt::NoButton);
            send(QEvent::MouseButtonPress, at(0), Qt::RightButton, Qt::RightButton);
            send(QEvent::MouseMove, at(2), Qt::NoButton, Qt::RightButton);
            send(QEvent::MouseButtonRelease, at(2), Qt::RightButton, Qt::NoButton);
            settle();
            return true;
        }
        if (step == QLatin1String("accept-mapping")) {
            auto* dialog = body->findChild<QDialog*>(QStringLiteral("ColumnMappingDialog"));
            if (!dialog || !dialog->isVisible())
                return false;
            dialog->accept();
            settle();
            return true;
        }
        if (step.startsWith(QLatin1String("tip:"))) {
            auto* grid = body->findChild<QGridLayout*>(
                value.toInt() % 2 ? QStringLiteral("Tau0sLayout") : QStringLiteral("TausLayout"));
            QLayoutItem* item = grid ? grid->itemAtPosition(0, (value.toInt() - 1) / 2) : nullptr;
            if (!item || !item->widget())
                return false;
            say(item->widget()->toolTip());
            return true;
        }
        if (step.startsWith(QLatin1String("grab:"))) {
            settle();
            const bool saved = body->grab().save(value, "PNG");
            say(QStringLiteral("grab %1").arg(saved ? "written" : "failed"));
            return saved;
        }
        if (step == QLatin1String("cancel")) {
            auto* dialog = topLevel<QFileDialog>(QStringLiteral("readDialog"));
            if (!dialog)
                return false;
            dialog->reject();
            say(QStringLiteral("read dialog %1").arg(dialog->isVisible() ? "shown" : "closed"));
            return true;
        }
        return false;
    }

    const QStringList steps;
};

} // namespace

class DriverPlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "veskordriver.json")

public:
    QObject* create(const QString& key, const QString& stepList) override
    {
        return key == QLatin1String("veskordriver") ? new Driver(stepList) : nullptr;
    }
};

#include "veskordriver.moc"
