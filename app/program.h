// The whole program from start to end, for the program's main and for the start-up benchmark's
// own build of it.
#pragma once

#include <functional>

class QWidget;

// What a build of the program adds around the showing of its main window: called with the main
// window right before it is shown, and once more right before the event loop starts.
struct StartUpWatch {
  std::function<void(QWidget& main)> before_show;
  std::function<void()> before_loop;
};

// Starts the program, runs it until its main window has closed and ends it. Always 0.
int RunProgram(int argc, char* argv[], const StartUpWatch& watch = {});
