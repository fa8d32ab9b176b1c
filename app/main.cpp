// Tallymate 3.1.
#include "app/end_requests.h"
#include "app/program.h"

namespace {

// Runs before the libraries' own start-up code, which is the longest part of the first
// milliseconds.
void HoldBackAtStart(int, char**, char** environment) {
  HoldBackEndSignals(environment);
}

}  // namespace

// The program's own earliest code: the dynamic loader runs this before any library's.
[[gnu::section(".preinit_array"),
  gnu::used]] void (*const kHoldBackAtStart)(int, char**, char**) = HoldBackAtStart;

int main(int argc, char* argv[]) {
  return RunProgram(argc, argv);
}
