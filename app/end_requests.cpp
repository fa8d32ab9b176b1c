#include "app/end_requests.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <QEvent>
#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <iterator>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "app/launcher_held_back.h"

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP};

// What the handler reads and writes; a handler may touch nothing else. The pipe is the usual
// way from a signal to an event loop: write() is safe in a handler, and the loop reads the
// other end like any socket.
int g_pipe[2] = {-1, -1};
// Read by a handler on whichever thread the signal finds: lock-free, so safe in a handler.
std::atomic<bool> g_held = false;
static_assert(std::atomic<bool>::is_always_lock_free);
struct sigaction g_before[std::size(kSignals)];
bool g_caught[std::size(kSignals)] = {};

// The signals HoldBackEndSignals blocked, to be let through once caught.
sigset_t g_held_back;
bool g_holding_back = false;

void LetHeldBackSignalsCome() {
  if (std::exchange(g_holding_back, false)) ::pthread_sigmask(SIG_UNBLOCK, &g_held_back, nullptr);
}

void OnEndSignal(int) {
  const int saved = errno;
  if (!g_held.load()) ::_exit(0);
  const char byte = 1;
  // A full pipe already holds a request: dropping this one loses nothing.
  (void)!::write(g_pipe[1], &byte, 1);
  errno = saved;
}

// Reads the pipe empty; whether it held anything.
bool Drain() {
  bool any = false;
  char buffer[64];
  for (;;) {
    const ssize_t n = ::read(g_pipe[0], buffer, sizeof buffer);
    if (n > 0) {
      any = true;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    return any;
  }
}

// Lives on the application as a child, so that it goes with it.
class Listener : public QObject {
 public:
  Listener(std::function<void()> save, std::function<bool()> end)
      : QObject(QCoreApplication::instance()), save_(std::move(save)), end_(std::move(end)) {
    // A signal that came before the loop ran is in the pipe already: the notifier fires as soon
    // as the loop looks.
    auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
      if (Drain()) end_();
    });
    // The session manager: "commit your data" comes first (also for a checkpoint, when the
    // session goes on); at the end of the session its "die" reaches the application as a Quit
    // event, which Qt would answer by closing every window, a failed write's box included.
    if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
      connect(gui, &QGuiApplication::commitDataRequest, this,
              [this](QSessionManager&) { save_(); });
    QCoreApplication::instance()->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() == QEvent::Quit && watched == QCoreApplication::instance()) return end_();
    return false;
  }

 private:
  std::function<void()> save_;
  std::function<bool()> end_;
};

}  // namespace

void HoldBackEndSignals(char** environment) {
  sigset_t all, before;
  sigemptyset(&all);
  for (int signal : kSignals) sigaddset(&all, signal);
  if (::pthread_sigmask(SIG_BLOCK, &all, &before) != 0) return;
  sigemptyset(&g_held_back);
  // The launcher (app/launcher.cpp) blocked them before this program's loader ran and says which.
  // Read from the environment given, since the C library's own copy is not set up yet this early.
  unsigned long launcher_held = 0;
  const std::string_view name = kLauncherHeldBack;
  for (char** entry = environment; entry != nullptr && *entry != nullptr; ++entry) {
    const std::string_view text = *entry;
    if (text.size() > name.size() && text.starts_with(name) && text[name.size()] == '=')
      launcher_held = std::strtoul(*entry + name.size() + 1, nullptr, 10);
  }
  for (int signal : kSignals)
    if (sigismember(&before, signal) == 0 || (launcher_held >> signal & 1) != 0)
      sigaddset(&g_held_back, signal);
  g_holding_back = true;
}

EndRequests::EndRequests() {
  if (g_pipe[0] >= 0) throw std::logic_error("EndRequests: one at a time");
  // Programs this one starts are not started by the launcher.
  ::unsetenv(kLauncherHeldBack);
  if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    // Without the pipe the signals keep their usual meaning.
    g_pipe[0] = g_pipe[1] = -1;
    LetHeldBackSignalsCome();
    return;
  }
  g_held = false;
  for (size_t i = 0; i < std::size(kSignals); ++i) {
    if (::sigaction(kSignals[i], nullptr, &g_before[i]) != 0 || g_before[i].sa_handler == SIG_IGN)
      continue;
    struct sigaction action {};
    action.sa_handler = OnEndSignal;
    // The rest of the program need not expect interrupted system calls.
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int other : kSignals) sigaddset(&action.sa_mask, other);
    g_caught[i] = ::sigaction(kSignals[i], &action, nullptr) == 0;
  }
  LetHeldBackSignalsCome();
}

EndRequests::~EndRequests() {
  delete listener_.data();
  // The handlers go before the pipe they write to.
  for (size_t i = 0; i < std::size(kSignals); ++i)
    if (std::exchange(g_caught[i], false)) ::sigaction(kSignals[i], &g_before[i], nullptr);
  for (int& fd : g_pipe)
    if (fd >= 0) ::close(std::exchange(fd, -1));
  g_held = false;
}

void EndRequests::Hold() {
  g_held = true;
}

void EndRequests::Listen(std::function<void()> save, std::function<bool()> end) {
  if (g_pipe[0] < 0 || listener_ != nullptr) return;
  listener_ = new Listener(std::move(save), std::move(end));
}
