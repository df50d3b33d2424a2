#pragma once

class QCoreApplication;
class QLocale;
class QTranslator;

namespace rasterkit {

// Installs Qt's own translations ("qtbase": the labels and buttons of the
// file dialogs and their messages, the standard buttons of message boxes)
// for the locale, from Qt's translations folder. The window's own texts are
// not touched. Returns the installed translator (owned by the application),
// or nullptr when Qt has no translation for the locale (English, or Debian's
// qt6-translations-l10n not installed).
QTranslator* installQtTranslations(QCoreApplication& application, const QLocale& locale);

// The window speaks only Russian, so Qt's texts in it are Russian too,
// whatever the desktop's locale (LANG=C.UTF-8 included): installs Qt's
// Russian translations, as installQtTranslations does.
QTranslator* installRussianQtTranslations(QCoreApplication& application);

} // namespace rasterkit
