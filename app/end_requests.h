// The desktop's requests that the program end: SIGTERM (a logout, a shutdown, a service
// manager), SIGHUP (the terminal it was started from went away) and the session manager's end of
// the session. Each is taken as a close of the main window with nobody there to answer a box.
#pragma once

#include <QPointer>
#include <functional>

class QObject;

// Holds SIGTERM and SIGHUP back until an EndRequests takes them (one that came meanwhile then
// ends the process with code 0, as before Hold()), unless they were blocked already by another
// than the launcher, which names those it held back in ENVIRONMENT (main's third argument). The
// program's main runs it before the libraries' own start-up code, which takes milliseconds: a
// logout then does not kill a program that is starting.
void HoldBackEndSignals(char** environment = nullptr);

class EndRequests {
 public:
  // Catches SIGTERM and SIGHUP, unless the one who started the program chose to ignore them
  // (nohup), and lets those held back come. Until Hold() a signal ends the process at once with
  // code 0: the settings have not been read yet, so this run has nothing to write. One instance
  // at a time.
  EndRequests();
  // The signals as they were before.
  ~EndRequests();
  EndRequests(const EndRequests&) = delete;
  EndRequests& operator=(const EndRequests&) = delete;

  // From now on a signal waits for Listen instead of ending the process.
  void Hold();

  // Hands the requests to the event loop of the running application: `end` for a signal (also
  // one that came since Hold) and for the session manager's end of the session, `save` when the
  // session manager asks for the program's data and the program goes on. `end` answers whether
  // it ended the program; false means the program was ending by itself already, and the
  // application's own way of quitting goes on.
  void Listen(std::function<void()> save, std::function<bool()> end);

 private:
  QPointer<QObject> listener_;
};
