#include "app/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

bool InstallRussianQtTranslations() {
  // The translator lives as long as the application that uses it.
  auto* translator = new QTranslator(QCoreApplication::instance());
  // qtbase_ru holds the texts of the widgets' dialogs, menus and buttons.
  if (!translator->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                        QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}
