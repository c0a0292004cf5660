#pragma once

class QApplication;
class QTranslator;
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

// Ties the window's Quit to closing every top-level window, shows it and runs
// the event loop; returns the loop's exit code.
int runMainWindow(QApplication& app, Body& body);

} // namespace veskor
