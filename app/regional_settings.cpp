#include "app/regional_settings.h"

#include <QEvent>
#include <QLocale>
#include <QObject>
#include <QWidget>

#include "core/number_text.h"

namespace {

class LocaleWatch : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::LocaleChange) ApplyRegionalDecimalSeparator();
    return false;
  }
};

}  // namespace

void ApplyRegionalDecimalSeparator() {
  const QString point = QLocale::system().decimalPoint();
  char separator = '.';
  if (point.size() == 1 && point.front().unicode() > 0x20 && point.front().unicode() < 0x7F)
    separator = static_cast<char>(point.front().unicode());
  SetDecimalSeparator(separator);
}

void FollowRegionalSettings(QWidget& window) {
  window.installEventFilter(new LocaleWatch(&window));
}
