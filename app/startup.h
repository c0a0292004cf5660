#pragma once

#include <QString>
#include <QtGlobal>

#include <vector>

class QApplication;
class QScreen;
class QTranslator;
class QWidget;
class Body;

namespace veskor {

enum class Language
{
    Japanese,
    English
};

// The interface language the command line asks for: the last "-j" or "-e"
// among argv[1] .. argv[argc - 1] decides, anything else is ignored, and
// with neither the interface is Japanese.
Language languageFromArguments(int argc, char** argv);

// Loads the built-in Japanese catalogue into translator and installs it when
// language is Japanese. A catalogue that fails to load is installed anyway:
// an empty translator shows the source texts.
void installLanguage(QTranslator& translator, Language language);

// Sets what must be set before the application object is built: the
// window scales with the screen's device pixel ratio on high-density
// screens.
void prepareApplication();

// What veskor says, before it exits with status 1, when it has no display
// to show its window on.
extern const char* const kNoDisplayMessage;

// Whether the environment names somewhere to show the window: an X11 or
// Wayland display, or a platform chosen outright (QT_QPA_PLATFORM or
// -platform, such as offscreen, which needs no display).
bool displayNamed(int argc, char** argv);

// Held while the application object is built. If the toolkit then finds no
// display after all (one that is named but cannot be opened), it prints
// kNoDisplayMessage and ends the process with status 1 instead of the
// toolkit's abort and its advice to reinstall. Other messages of that time
// are held back and passed on by release(), so a failed start says one line.
class NoDisplayGuard
{
public:
    NoDisplayGuard();
    ~NoDisplayGuard();
    NoDisplayGuard(const NoDisplayGuard&) = delete;
    NoDisplayGuard& operator=(const NoDisplayGuard&) = delete;

    // The application object stands: passes on what was held back.
    void release();

private:
    QtMessageHandler previous = nullptr;
    bool active = true;
};

// Where the screen's available area is smaller than the window, the window
// takes that area instead of hanging off the screen (a 1366 x 768 laptop).
// Call before showing it; nothing changes on a screen that holds it.
void fitToScreen(QWidget& window, const QScreen* screen);

// Ties the window's Quit to closing every top-level window, shows it (fitted
// to its screen) and runs the event loop; returns the loop's exit code.
int runMainWindow(QApplication& app, Body& body);

} // namespace veskor
