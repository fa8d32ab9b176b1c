#include "ui/base/fonts.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <cmath>

namespace {

struct StandIn {
  const char* named;      // the family a window names
  const char* installed;  // what stands in for it
  int stretch;            // QFont::AnyStretch: the family's own width
};

// Liberation Sans is a little wider than the family the windows were drawn with: at 98 % its
// Cyrillic captions end just inside their controls. Fantasque Sans Mono has the hand-drawn look
// of the comic family and, unlike the others of that look Debian has, Cyrillic letters, so that
// a Russian word is not drawn in a fallback family beside Latin ones; at 90 % the About window's
// e-mail line ends just inside the window.
constexpr StandIn kStandIns[] = {
    {"MS Sans Serif", "Liberation Sans", 98},
    {"Comic Sans MS", "Fantasque Sans Mono", 90},
};

struct Height {
  int points;
  int pixels;
};
constexpr Height kHeights[] = {{8, 11}, {10, 13}, {12, 16}, {14, 19}};

const StandIn* Find(const QString& family) {
  for (const StandIn& entry : kStandIns)
    if (family.compare(QLatin1String(entry.named), Qt::CaseInsensitive) == 0) return &entry;
  return nullptr;
}

// The font is made under the stand-in's own name: a family the font database does not know
// costs a search of fallback families for every script. Qt's substitution table still says which
// family stands in, for any font made elsewhere with the named family.
QFont Make(const StandIn& entry, int pixel_height, bool bold, bool italic) {
  static const bool installed = [] {
    for (const StandIn& e : kStandIns)
      QFont::insertSubstitution(QLatin1String(e.named), QLatin1String(e.installed));
    return true;
  }();
  (void)installed;
  QFont font(QString::fromLatin1(entry.installed));
  font.setPixelSize(pixel_height);
  if (entry.stretch != QFont::AnyStretch) font.setStretch(entry.stretch);
  font.setBold(bold);
  font.setItalic(italic);
  return font;
}

void ReplaceWith(QWidget* widget, const QFont& named, const StandIn& entry) {
  const int pixels = named.pointSize() > 0 ? PixelHeight(named.pointSize()) : named.pixelSize();
  QFont font = Make(entry, pixels, named.bold(), named.italic());
  if (named.underline()) font.setUnderline(true);
  widget->setFont(font);
}

void Replace(QWidget* widget) {
  if (!widget->testAttribute(Qt::WA_SetFont)) return;
  const QFont named = widget->font();
  const StandIn* entry = Find(named.family());
  if (entry == nullptr) return;
  ReplaceWith(widget, named, *entry);
}

}  // namespace

QFont SansFont(int pixel_height, bool bold) {
  return Make(kStandIns[0], pixel_height, bold, false);
}

QFont ComicFont(int pixel_height, bool bold, bool italic) {
  return Make(kStandIns[1], pixel_height, bold, italic);
}

int PixelHeight(int point_size) {
  for (const Height& h : kHeights)
    if (h.points == point_size) return h.pixels;
  return static_cast<int>(std::lround(point_size * 96.0 / 72.0));
}

void ApplyStandInFonts(QWidget* window) {
  // The window first: its controls without a font of their own take its stand-in from it.
  Replace(window);
  for (QWidget* control : window->findChildren<QWidget*>()) Replace(control);
}

StandInFonts::StandInFonts() {
  QCoreApplication::instance()->installEventFilter(this);
}

StandInFonts::~StandInFonts() {
  QCoreApplication::instance()->removeEventFilter(this);
}

bool StandInFonts::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() != QEvent::FontChange || !watched->isWidgetType()) return false;
  auto* widget = static_cast<QWidget*>(watched);
  const QFont named = widget->font();
  const StandIn* entry = Find(named.family());
  if (entry == nullptr) return false;
  // A control that only inherits the named font hears again when its window takes the stand-in.
  if (widget->testAttribute(Qt::WA_SetFont)) ReplaceWith(widget, named, *entry);
  return true;
}
