// Between the launcher and the program: both are built from this header, the launcher without Qt.
#pragma once

// The environment variable by which the launcher names the end signals it held back for the
// program: bit n for signal n, in decimal.
inline constexpr char kLauncherHeldBack[] = "TALLYMATE_HELD_BACK";
