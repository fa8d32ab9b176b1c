// The session bus at start-up. Qt reaches for it while the main window is built (the screen
// reader bridge, the menu bar) and waits for the answer. When the environment names no bus,
// libdbus would start one with dbus-launch and wait for that: on a fresh X display where another
// program does the same at the same moment, dbus-launch sleeps three seconds before it gives up
// its own bus for the other's. The program starts no bus: it uses the one an earlier program
// started on the display, if any, or none.
#pragma once

#include <string>

struct xcb_connection_t;

// The address of the session bus that dbus-launch advertised on the X display for this user and
// machine: the selection owner's address property. Empty when there is none.
std::string AdvertisedSessionBus(xcb_connection_t* connection);

// Connects Qt to the session bus now, without starting one, when the environment names no bus and
// the user has no bus of the session's own ($XDG_RUNTIME_DIR/bus). The environment is left as it
// was, so that a program the copy starts finds its own bus. Call once the application exists.
void ConnectSessionBusWithoutStartingOne();
