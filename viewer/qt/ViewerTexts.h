#pragma once
// The viewer speaks German: Qt's own texts (print dialog, message box buttons, the page's
// context menu) come from Qt's German translations, installed before any window is made.

class QCoreApplication;

namespace pagolux {

// Sets the German locale and installs Qt's German catalogues for the base widgets and the web
// engine. Returns how many catalogues were found and installed (0 where Qt's translations are
// not installed; the texts stay English then).
int installGermanQtTexts(QCoreApplication& app);

} // namespace pagolux
