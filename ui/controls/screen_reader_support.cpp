#include "ui/controls/screen_reader_support.h"

#include <QAccessible>

#include "ui/base/announcer.h"
#include "ui/base/focus_order.h"
#include "ui/controls/field_accessible.h"
#include "ui/controls/link_label.h"
#include "ui/controls/month_calendar.h"
#include "ui/controls/picture_box.h"

void InstallAccessibleControls() {
  static const bool installed = [] {
    for (QAccessible::InterfaceFactory factory :
         {&FieldAccessibleFactory, &LinkAccessibleFactory, &PictureAccessibleFactory,
          &NotificationAccessibleFactory, &CalendarDaysAccessibleFactory})
      QAccessible::installFactory(factory);
    return true;
  }();
  (void)installed;
}

void InstallScreenReaderSupport() {
  InstallAccessibleControls();
  InstallFocusFirstOrder();
}
