// For bench/startup.sh only. With TALLYMATE_STARTUP_PROBE naming a file, the program notes the
// moment the first frame of its main window reached the X server, and its resident memory and the
// text documents its windows hold once start-up has settled, writes them to that file and ends
// at once, without any closing work.
// Without the variable nothing is watched and nothing changes.
#pragma once

#include <QObject>
#include <QString>

class QWidget;

class StartUpProbe : public QObject {
 public:
  // Call before the window is shown.
  explicit StartUpProbe(QWidget& window);
  // Call right before the event loop starts: the program ends at the first quiet moment after
  // the window's first frame.
  void EndWhenSettled();

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void AfterFirstFrame();
  void Settle(int round);

  QWidget& window_;
  QString file_;
  long long first_frame_us_ = -1;
  bool ending_ = false;
};
