// What a screen reader hears beyond what Qt reports by itself: a field's focus before its caret,
// and the results a command shows away from the focus.
#pragma once

#include <QString>
#include <QWidget>
#include <vector>

// Puts Qt's report of a field taking the focus ahead of the caret and selection the field sets
// as it takes it. Qt reports the focus only after the field's focus-in handler, and a reader
// that first hears the caret move into a field takes the field as focused already and never
// says its name. Installed once, before the first window; events go on to whatever update
// handler was installed before.
void InstallFocusFirstOrder();
void RemoveFocusFirstOrder();
// Called by a field as it starts handling its focus-in event.
void FieldTakesFocus(QWidget* field);

// An object of a window that screen readers hear as a notification: how a result that appears
// away from the focus is said (Qt has no announcement of its own here).
class Announcer : public QWidget {
  Q_OBJECT
 public:
  explicit Announcer(QWidget* window);
  void Announce(const QString& text);
  // Announces `text` once the events queued now (focus changes) have been handled and the
  // window is active again: a reader drops what an inactive window says, and a window comes
  // back from a closed dialog only when the desktop has activated it.
  void AnnounceLater(const QString& text);

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  QString waiting_;  // said when the window is next activated
};

// The controls that show a window's results (answer fields, result lines): what a command
// changes in them is announced once the command has ended and the focus has settled.
class ResultWatch {
 public:
  void Watch(QWidget* window, std::vector<QWidget*> results);
  // Says what a command did that shows in no result control (a new picture, a stop), once the
  // command's focus changes have been heard.
  void Say(const QString& text);
  void CommandStarts();
  void CommandEnded();

 private:
  std::vector<QString> Texts() const;

  Announcer* announcer_ = nullptr;
  std::vector<QWidget*> results_;
  std::vector<QString> before_;
  int depth_ = 0;
};
