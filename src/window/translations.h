#pragma once

class QCoreApplication;
class QLocale;
class QTranslator;

namespace rasterkit {

// Installs Qt's own translations ("qtbase": the labels of the file dialogs,
// the standard buttons of message boxes) for the locale, from Qt's
// translations folder, so that they speak the desktop's language. The
// window's own texts are Russian whatever the locale and are not touched.
// Returns the installed translator (owned by the application), or nullptr
// when Qt has no translation for the locale (English, or Debian's
// qt6-translations-l10n not installed).
QTranslator* installQtTranslations(QCoreApplication& application, const QLocale& locale);

} // namespace rasterkit
