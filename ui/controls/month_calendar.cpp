#include "ui/controls/month_calendar.h"

#include <QAccessibleWidget>
#include <QEvent>
#include <QHeaderView>
#include <QIcon>
#include <QLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTableView>
#include <QTextCharFormat>
#include <QToolButton>
#include <functional>

#include "ui/base/announcer.h"
#include "ui/base/colors.h"
#include "ui/base/fonts.h"
#include "ui/controls/click_tracker.h"

namespace {

const QColor kTodayMark(0xC0, 0x00, 0x00);

// The frame that marks today, in a cell and in front of the "today" line.
void DrawTodayMark(QPainter* painter, const QRectF& rect) {
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing);
  painter->setPen(QPen(kTodayMark, 1.5));
  painter->setBrush(Qt::NoBrush);
  painter->drawRoundedRect(rect, 4, 4);
  painter->restore();
}

// The line under the month: a click on it shows and selects today.
class TodayLine : public QWidget {
 public:
  TodayLine(QWidget* parent, std::function<void()> on_click)
      : QWidget(parent), on_click_(std::move(on_click)) {
    setObjectName(QStringLiteral("tallymate_calendar_today"));
    setCursor(Qt::PointingHandCursor);
  }

  QSize sizeHint() const override {
    return {QWidget::sizeHint().width(), fontMetrics().height() + 6};
  }
  QSize minimumSizeHint() const override { return sizeHint(); }

  // Read when painted, so that the line stays right across midnight.
  static QString Text() {
    return QStringLiteral("Сегодня: ") +
           QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const int h = height();
    const int mark_width = 20;
    const QString text = Text();
    const int textWidth = fontMetrics().horizontalAdvance(text);
    int left = (width() - mark_width - 6 - textWidth) / 2;
    if (left < 2) left = 2;
    DrawTodayMark(&painter, QRectF(left + 0.5, 3.5, mark_width, h - 7));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setFont(font());
    painter.drawText(QRect(left + mark_width + 6, 0, width() - left - mark_width - 6, h),
                     Qt::AlignLeft | Qt::AlignVCenter, text);
  }

  void mousePressEvent(QMouseEvent* e) override {
    click_.Pressed(*e);
    QWidget::mousePressEvent(e);
  }

  void mouseReleaseEvent(QMouseEvent* e) override {
    if (click_.Released(*this, *e) && on_click_) on_click_();
  }

 private:
  std::function<void()> on_click_;
  ClickTracker click_;
};

// The month arrows, drawn in the title text colour so that they show on any title background.
QIcon ArrowIcon(const QColor& colour, bool left) {
  QPixmap pixmap(12, 12);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(colour);
  QPainterPath path;
  if (left) {
    path.moveTo(8.5, 1.5);
    path.lineTo(2.5, 6);
    path.lineTo(8.5, 10.5);
  } else {
    path.moveTo(3.5, 1.5);
    path.lineTo(9.5, 6);
    path.lineTo(3.5, 10.5);
  }
  path.closeSubpath();
  painter.drawPath(path);
  return QIcon(pixmap);
}

// While QCalendarWidget builds itself it asks the style for its month arrows, and the style looks
// them up in the desktop's icon theme first: reading the theme's index costs more than the rest
// of the calendar. The calendar draws its own arrows, so while the base is built the theme
// search path leads nowhere (a resource folder that does not exist: no disk access); the object
// puts the path back when the base's constructor has returned.
class IconThemeSetAside {
 public:
  IconThemeSetAside() : saved_(QIcon::themeSearchPaths()) {
    QIcon::setThemeSearchPaths({QStringLiteral(":/tallymate/no-icon-theme")});
  }
  ~IconThemeSetAside() { QIcon::setThemeSearchPaths(saved_); }
  IconThemeSetAside(const IconThemeSetAside&) = delete;
  IconThemeSetAside& operator=(const IconThemeSetAside&) = delete;

  static QWidget* Pass(const IconThemeSetAside&, QWidget* parent) { return parent; }

 private:
  QStringList saved_;
};

// The day table as one control: its cells, its headers and scroll bars stay hidden from a reader.
// Qt reports a move of the current cell as focus on the table, which a reader that has the
// table in focus already keeps quiet about.
class CalendarDaysAccessible : public QAccessibleWidget {
 public:
  explicit CalendarDaysAccessible(QWidget* table) : QAccessibleWidget(table, QAccessible::Client) {}
  int childCount() const override { return 0; }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
};

}  // namespace

QAccessibleInterface* CalendarDaysAccessibleFactory(const QString&, QObject* object) {
  if (!object->isWidgetType() ||
      object->objectName() != QLatin1String("qt_calendar_calendarview") ||
      qobject_cast<MonthCalendar*>(object->parent()) == nullptr)
    return nullptr;
  return new CalendarDaysAccessible(static_cast<QWidget*>(object));
}

// The temporary lives until the base class's initialisation is complete.
MonthCalendar::MonthCalendar(QWidget* parent)
    : QCalendarWidget(IconThemeSetAside::Pass(IconThemeSetAside(), parent)) {
  // Month and day names in Russian like the rest of the window, whatever the desktop's language.
  // Set first: a locale change resets the first day of the week.
  setLocale(QLocale(QLocale::Russian, QLocale::Russia));
  setFirstDayOfWeek(Qt::Monday);
  setVerticalHeaderFormat(QCalendarWidget::ISOWeekNumbers);
  setHorizontalHeaderFormat(QCalendarWidget::ShortDayNames);
  setSelectionMode(QCalendarWidget::SingleSelection);
  // The desktop's month calendar takes no typed dates (nothing reads the date anyway). Qt's
  // typed-date editor also leaks its label when the program quits while it is open.
  setDateEditEnabled(false);
  setGridVisible(false);
  setFont(SansFont(13, true));
  // Weekends look like every other day.
  for (int day = Qt::Monday; day <= Qt::Sunday; ++day)
    setWeekdayTextFormat(static_cast<Qt::DayOfWeek>(day), QTextCharFormat());

  // The rows and columns share the area evenly, however narrow: the font decides nothing.
  if (QTableView* view = Table()) {
    view->horizontalHeader()->setMinimumSectionSize(1);
    view->verticalHeader()->setMinimumSectionSize(1);
  }

  auto* line = new TodayLine(this, [this] {
    const QDate today = QDate::currentDate();
    setSelectedDate(today);
    setCurrentPage(today.year(), today.month());
  });
  if (layout() != nullptr) layout()->addWidget(line);

  // The calendar has no tool tip of its own, and it does not take the window's either: the
  // tip requests of all its parts end here.
  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);

  colours_ = {kSystemWindow, kSystemWindowText, kPurple, kWhite, kTeal, kSystemMenuBar};
  ApplyColours();

  announcer_ = new Announcer(this);
  connect(this, &QCalendarWidget::currentPageChanged, this, [this] { Say(MonthText()); });
  connect(this, &QCalendarWidget::selectionChanged, this, [this] { Say(SelectedDayText()); });
}

QString MonthCalendar::MonthText() const {
  return locale().standaloneMonthName(monthShown(), QLocale::LongFormat) + QLatin1Char(' ') +
         QString::number(yearShown());
}

QString MonthCalendar::SelectedDayText() const {
  return locale().toString(selectedDate(), QStringLiteral("d MMMM yyyy, dddd"));
}

void MonthCalendar::Say(const QString& text) {
  const QTableView* table = Table();
  if (table == nullptr || !table->hasFocus()) return;
  if (to_say_.isEmpty()) {
    QMetaObject::invokeMethod(
        this,
        [this] {
          announcer_->Announce(to_say_.join(QStringLiteral(", ")));
          to_say_.clear();
        },
        Qt::QueuedConnection);
  }
  if (!to_say_.contains(text)) to_say_ << text;
}

uint32_t MonthCalendar::Colour(int index) const {
  if (index < 0 || index >= kColourCount) return 0;
  return colours_[static_cast<size_t>(index)];
}

void MonthCalendar::SetColour(int index, uint32_t value) {
  if (index < 0 || index >= kColourCount) return;
  colours_[static_cast<size_t>(index)] = value;
  ApplyColours();
}

void MonthCalendar::ApplyColours() {
  SetWindowColour(this, colours_[kBackground]);
  SetTextColour(this, colours_[kText], kReadableBoldOrLink);

  const QColor title_background = ToQColor(colours_[kTitleBackground]);
  const QColor title_text = TitleText();
  if (auto* nav = findChild<QWidget*>(QStringLiteral("qt_calendar_navigationbar"))) {
    // The bar fills itself with Highlight; its month and year buttons write in HighlightedText.
    QPalette palette = nav->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
      palette.setColor(group, QPalette::Highlight, title_background);
      palette.setColor(group, QPalette::HighlightedText, title_text);
    }
    nav->setPalette(palette);
  }
  if (auto* prev = findChild<QToolButton*>(QStringLiteral("qt_calendar_prevmonth")))
    prev->setIcon(ArrowIcon(title_text, !isRightToLeft()));
  if (auto* next = findChild<QToolButton*>(QStringLiteral("qt_calendar_nextmonth")))
    next->setIcon(ArrowIcon(title_text, isRightToLeft()));

  if (auto* view = Table()) {
    SetFieldColour(view, colours_[kMonthBackground]);
    SetTextColour(view, colours_[kText], kReadableBoldOrLink);
  }

  // Day names and week numbers: the title colour on the month background, where it shows.
  const QColor month_background = ToQColor(colours_[kMonthBackground]);
  QTextCharFormat header;
  header.setBackground(month_background);
  header.setForeground(ReadableOn(month_background, title_background, kReadableBoldOrLink));
  setHeaderTextFormat(header);
  update();
}

QDate MonthCalendar::FirstShownDate() const {
  const QDate first(yearShown(), monthShown(), 1);
  // The table always begins with at least one day of the month before.
  int offset = (first.dayOfWeek() - static_cast<int>(firstDayOfWeek()) + 7) % 7;
  if (offset == 0) offset = 7;
  return first.addDays(-offset);
}

void MonthCalendar::paintCell(QPainter* painter, const QRect& rect, QDate date) const {
  painter->save();
  painter->fillRect(rect, ToQColor(colours_[kMonthBackground]));

  // The lines under the day names and beside the week numbers.
  const QColor month_background = ToQColor(colours_[kMonthBackground]);
  painter->setPen(ReadableOn(month_background, ToQColor(colours_[kText]), kReadableBoldOrLink));
  if (FirstShownDate().daysTo(date) < 7) painter->drawLine(rect.topLeft(), rect.topRight());
  if (date.dayOfWeek() == static_cast<int>(firstDayOfWeek()))
    painter->drawLine(rect.topLeft(), rect.bottomLeft());

  const QRectF mark = QRectF(rect).adjusted(2.5, 1.5, -2.5, -1.5);
  const bool selected = date == selectedDate();
  if (selected) {
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(ToQColor(colours_[kTitleBackground]));
    painter->drawRoundedRect(mark, 4, 4);
  }
  if (date == QDate::currentDate()) DrawTodayMark(painter, mark);

  const bool other_month = date.month() != monthShown() || date.year() != yearShown();
  const QColor text = selected ? TitleText()
                               : ReadableOn(month_background,
                                            ToQColor(colours_[other_month ? kTrailingText : kText]),
                                            kReadableBoldOrLink);
  painter->setPen(text);
  painter->setFont(font());
  painter->drawText(rect, Qt::AlignCenter, QString::number(date.day()));
  painter->restore();
}

QColor MonthCalendar::TitleText() const {
  return ReadableOn(ToQColor(colours_[kTitleBackground]), ToQColor(colours_[kTitleText]),
                    kReadableBoldOrLink);
}

QTableView* MonthCalendar::Table() const {
  return findChild<QTableView*>(QStringLiteral("qt_calendar_calendarview"));
}

void MonthCalendar::FitDayNames() {
  // The locale's short day names where each fits its column, otherwise single letters.
  const int columns = verticalHeaderFormat() == NoVerticalHeader ? 7 : 8;
  const int room = width() / columns - 2;
  const QFontMetrics metrics(font());
  bool fits = true;
  for (int day = Qt::Monday; day <= Qt::Sunday; ++day) {
    const QString name = locale().dayName(day, QLocale::ShortFormat);
    if (metrics.horizontalAdvance(name) > room) fits = false;
  }
  setHorizontalHeaderFormat(fits ? ShortDayNames : SingleLetterDayNames);
}

void MonthCalendar::resizeEvent(QResizeEvent* e) {
  QCalendarWidget::resizeEvent(e);
  FitDayNames();
}

bool MonthCalendar::event(QEvent* e) {
  if (e->type() == QEvent::ToolTip) return true;
  // Its system colours follow a desktop palette that changes while the program runs.
  if (e->type() == QEvent::ApplicationPaletteChange) {
    const bool handled = QCalendarWidget::event(e);
    ApplyColours();
    return handled;
  }
  if (e->type() == QEvent::FontChange || e->type() == QEvent::LocaleChange) FitDayNames();
  if (e->type() == QEvent::ChildAdded) {
    // Parts created later (the month menu, the year editor) are quiet too.
    auto* added = static_cast<QChildEvent*>(e)->child();
    if (added->isWidgetType()) added->installEventFilter(this);
  }
  return QCalendarWidget::event(e);
}

bool MonthCalendar::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::ToolTip) return true;
  if (e->type() == QEvent::FocusIn && watched == Table()) {
    const bool handled = QCalendarWidget::eventFilter(watched, e);
    Say(MonthText());
    Say(QStringLiteral("выбрано ") + SelectedDayText());
    return handled;
  }
  return QCalendarWidget::eventFilter(watched, e);
}
