#include "app/session_bus.h"

#include <QtGui/qguiapplication_platform.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QDBusConnection>
#include <QGuiApplication>
#include <QtGlobal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <utility>

namespace {

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

// libdbus's own choice when the environment names no bus: the user's bus of the session, a
// socket of the user's at $XDG_RUNTIME_DIR/bus.
bool UserBusExists() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr || *runtime == '\0') return false;
  struct stat status {};
  const std::string path = std::string(runtime) + "/bus";
  return lstat(path.c_str(), &status) == 0 && status.st_uid == getuid() && S_ISSOCK(status.st_mode);
}

// The machine's id, read where libdbus reads it.
std::string MachineId() {
  for (const char* path : {"/var/lib/dbus/machine-id", "/etc/machine-id"}) {
    std::ifstream file(path);
    std::string id;
    if (file >> id && !id.empty()) return id;
  }
  return {};
}

std::string UserName() {
  const passwd* entry = getpwuid(getuid());
  return entry != nullptr && entry->pw_name != nullptr ? entry->pw_name : "";
}

xcb_atom_t ExistingAtom(xcb_connection_t* c, const std::string& name) {
  xcb_generic_error_t* error = nullptr;
  Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 1, static_cast<uint16_t>(name.size()), name.data()), &error));
  std::free(error);
  return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

}  // namespace

std::string AdvertisedSessionBus(xcb_connection_t* c) {
  if (c == nullptr || xcb_connection_has_error(c) != 0) return {};
  // The names dbus-launch gives them. An atom that does not exist was never advertised: then
  // the user's name is not looked up either (that loads the system's user databases).
  const xcb_atom_t address = ExistingAtom(c, "_DBUS_SESSION_BUS_ADDRESS");
  if (address == XCB_ATOM_NONE) return {};
  const std::string user = UserName();
  const std::string machine_id = MachineId();
  if (user.empty() || machine_id.empty()) return {};
  const xcb_atom_t selection =
      ExistingAtom(c, "_DBUS_SESSION_BUS_SELECTION_" + user + "_" + machine_id);
  if (selection == XCB_ATOM_NONE) return {};
  xcb_generic_error_t* error = nullptr;
  Reply<xcb_get_selection_owner_reply_t> owner(
      xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), &error));
  std::free(std::exchange(error, nullptr));
  if (!owner || owner->owner == XCB_WINDOW_NONE) return {};
  // An address is at most a few hundred bytes; dbus-launch reads up to 1024 units too.
  Reply<xcb_get_property_reply_t> value(xcb_get_property_reply(
      c, xcb_get_property(c, 0, owner->owner, address, XCB_ATOM_STRING, 0, 1024), &error));
  std::free(error);
  if (!value || value->format != 8 || value->bytes_after != 0) return {};
  return std::string(static_cast<const char*>(xcb_get_property_value(value.get())),
                     static_cast<size_t>(xcb_get_property_value_length(value.get())));
}

void ConnectSessionBusWithoutStartingOne() {
  // libdbus treats an empty address as none.
  if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") || UserBusExists()) return;
  auto* x11 =
      qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  std::string address = AdvertisedSessionBus(x11 != nullptr ? x11->connection() : nullptr);
  // A transport libdbus does not know: the connection fails at once, and no bus is started.
  if (address.empty()) address = "disabled:";
  const QByteArray before = qgetenv("DBUS_SESSION_BUS_ADDRESS");
  const bool was_set = qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS");
  qputenv("DBUS_SESSION_BUS_ADDRESS", QByteArray::fromStdString(address));
  // Qt connects once and keeps the connection, or its absence, for every later use.
  QDBusConnection::sessionBus();
  if (was_set)
    qputenv("DBUS_SESSION_BUS_ADDRESS", before);
  else
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
}
