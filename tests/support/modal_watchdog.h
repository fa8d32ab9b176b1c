// Widget tests replace every box and dialog by a recorder, so a real dialog that opens is a
// fault: it would wait for a user who never comes. The watchdog of the widget tests' main fails
// the running test at once and closes such a dialog. A test that opens real dialogs on purpose
// holds an AllowDialogs for that time.
#pragma once

class AllowDialogs {
 public:
  AllowDialogs();
  ~AllowDialogs();
  AllowDialogs(const AllowDialogs&) = delete;
  AllowDialogs& operator=(const AllowDialogs&) = delete;
};

// True while some AllowDialogs lives.
bool DialogsAllowed();
