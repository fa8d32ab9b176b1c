// The program as bench/startup.sh runs it: with the start-up probe, which notes the first frame
// of the main window and ends the program once start-up has settled.
#include <QWidget>
#include <memory>

#include "app/program.h"
#include "bench/startup_probe.h"

int main(int argc, char* argv[]) {
  std::unique_ptr<StartUpProbe> probe;
  StartUpWatch watch;
  watch.before_show = [&probe](QWidget& main) { probe = std::make_unique<StartUpProbe>(main); };
  watch.before_loop = [&probe] { probe->EndWhenSettled(); };
  return RunProgram(argc, argv, watch);
}
