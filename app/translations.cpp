#include "app/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <utility>

namespace {

// Texts that Qt 6 moved into a context of their own which its Russian translation of this
// version does not know yet: the picture dialog's type column would say "Folder".
class MissingRussianTexts : public QTranslator {
 public:
  using QTranslator::QTranslator;

  bool isEmpty() const override { return false; }

  QString translate(const char* context, const char* source, const char* /*disambiguation*/,
                    int /*n*/) const override {
    if (qstrcmp(context, "QAbstractFileIconProvider") != 0) return {};
    // As the translation names the same things in the file dialog's older context.
    static const std::pair<const char*, const char*> kTexts[] = {
        {"Folder", "Папка"}, {"Drive", "Диск"}, {"Shortcut", "Ярлык"}, {"Unknown", "Неизвестный"}};
    for (const auto& [english, russian] : kTexts)
      if (qstrcmp(source, english) == 0) return QString::fromUtf8(russian);
    return {};
  }
};

}  // namespace

bool InstallRussianQtTranslations() {
  // The translator lives as long as the application that uses it.
  auto* translator = new QTranslator(QCoreApplication::instance());
  // qtbase_ru holds the texts of the widgets' dialogs, menus and buttons.
  if (!translator->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                        QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  if (!QCoreApplication::installTranslator(translator)) return false;
  return QCoreApplication::installTranslator(new MissingRussianTexts(QCoreApplication::instance()));
}
