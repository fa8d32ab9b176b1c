#include "bench/startup_probe.h"

#include <QtGui/qguiapplication_platform.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QCoreApplication>
#include <QExposeEvent>
#include <QFile>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cstdlib>
#include <ctime>

namespace {

// Waits until the X server has handled every request sent so far (drawing included).
void SyncWithServer() {
  auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_connection_t* c = x11 ? x11->connection() : nullptr;
  if (!c) return;
  std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

long long NowMicroseconds() {
  timespec t{};
  clock_gettime(CLOCK_REALTIME, &t);
  return static_cast<long long>(t.tv_sec) * 1000000 + t.tv_nsec / 1000;
}

QByteArray ResidentKiB() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return "0";
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0);
  return "0";
}

// Qt's text controls, each a text document with its layout, held by the windows once start-up has
// settled: the costliest objects a hidden window can hold (a label that takes the focus builds
// one for every text it is given before it is shown).
int TextDocuments() {
  int count = 0;
  for (const QWidget* window : QApplication::topLevelWidgets())
    for (const QObject* child : window->findChildren<QObject*>())
      if (QLatin1String(child->metaObject()->className()) == QLatin1String("QWidgetTextControl"))
        ++count;
  return count;
}

}  // namespace

StartUpProbe::StartUpProbe(QWidget& window)
    : window_(window), file_(qEnvironmentVariable("TALLYMATE_STARTUP_PROBE")) {
  if (!file_.isEmpty()) qApp->installEventFilter(this);
}

bool StartUpProbe::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() != QEvent::Expose || first_frame_us_ >= 0 || !watched->isWindowType() ||
      watched != window_.windowHandle() || !static_cast<QWindow*>(watched)->isExposed())
    return false;
  // The window paints and flushes its first frame while it handles the event: handled here, so
  // that the moment after it can be taken.
  qApp->removeEventFilter(this);
  watched->event(e);
  AfterFirstFrame();
  return true;
}

void StartUpProbe::AfterFirstFrame() {
  SyncWithServer();
  first_frame_us_ = NowMicroseconds();
  if (ending_) Settle(0);
}

void StartUpProbe::EndWhenSettled() {
  if (file_.isEmpty()) return;
  ending_ = true;
  if (first_frame_us_ >= 0) Settle(0);
}

void StartUpProbe::Settle(int round) {
  // Two passes through the event loop with a round trip to the server between them: whatever
  // start-up posted, and the server's answers to it, are handled before the end.
  QTimer::singleShot(0, this, [this, round] {
    SyncWithServer();
    if (round == 0) return Settle(1);
    QFile out(file_);
    if (out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
      out.write("first_frame_us " + QByteArray::number(first_frame_us_) + "\nrss_kib " +
                ResidentKiB() + "\ntext_documents " + QByteArray::number(TextDocuments()) + "\n");
      out.close();
    }
    // Nothing after start-up is measured: no destructors, no closing work.
    _exit(0);
  });
}
