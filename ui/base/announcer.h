// How a screen reader hears what appears away from the focus: a window's notification object,
// and the watch over the controls that show a window's results.
#pragma once

#include <QString>
#include <QWidget>
#include <vector>

class QAccessibleInterface;

// The accessible interface of an Announcer (a notification); nothing for other objects.
QAccessibleInterface* NotificationAccessibleFactory(const QString& class_name, QObject* object);

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
