// A session manager of the X session management protocol, as small as a test needs: programs
// started with its SESSION_MANAGER connect and register; a command ends the session (each
// client is told to save with shutdown, then to die) or takes a checkpoint (save without
// shutdown). It listens on a local socket only.
//
//   xsmp_manager ADDRESS_FILE COMMAND_FIFO
//
// Writes the SESSION_MANAGER value to ADDRESS_FILE, then one line on standard output for each
// thing that happens: "registered", "saved ok" or "saved failed", "closed". Reads "end" or
// "checkpoint" lines from COMMAND_FIFO; an "end" ends the session of the clients connected
// then, and later clients begin a new one. Runs until SIGTERM, or for 300 s.
#include <X11/ICE/ICElib.h>
#include <X11/SM/SMlib.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// libICE's own switch for the transports it listens on; session managers use it to stay off
// the network.
extern "C" int _IceTransNoListen(const char* protocol);

namespace {

struct Client {
  SmsConn sms = nullptr;
  IceConn ice = nullptr;
  bool registered = false;
  bool ending = false;  // told to save for the end of the session: "die" follows
  bool closed = false;
};

std::vector<Client*> g_clients;
volatile std::sig_atomic_t g_stop = 0;  // SIGTERM: the test is over

void Say(const char* what) {
  std::printf("%s\n", what);
  std::fflush(stdout);
}

Status RegisterClient(SmsConn sms, SmPointer data, char* previous_id) {
  auto* client = static_cast<Client*>(data);
  std::free(previous_id);
  char* id = SmsGenerateClientID(sms);
  SmsRegisterClientReply(sms, id);
  std::free(id);
  client->registered = true;
  // The protocol's first save of a new client: local, no shutdown.
  SmsSaveYourself(sms, SmSaveLocal, False, SmInteractStyleNone, False);
  Say("registered");
  return 1;
}

void InteractRequest(SmsConn sms, SmPointer, int) {
  SmsInteract(sms);
}
void InteractDone(SmsConn, SmPointer, Bool) {}
void SaveYourselfRequest(SmsConn, SmPointer, int, Bool, int, Bool, Bool) {}
void SaveYourselfPhase2Request(SmsConn sms, SmPointer) {
  SmsSaveYourselfPhase2(sms);
}

void SaveYourselfDone(SmsConn sms, SmPointer data, Bool success) {
  Say(success ? "saved ok" : "saved failed");
  if (static_cast<Client*>(data)->ending) {
    SmsDie(sms);
    Say("die sent");
  } else {
    SmsSaveComplete(sms);
  }
}

void CloseConnection(SmsConn sms, SmPointer data, int count, char** reasons) {
  auto* client = static_cast<Client*>(data);
  SmFreeReasons(count, reasons);
  IceConn ice = SmsGetIceConnection(sms);
  SmsCleanUp(sms);
  IceSetShutdownNegotiation(ice, False);
  IceCloseConnection(ice);
  client->closed = true;
  Say("closed");
}

void SetProperties(SmsConn, SmPointer, int count, SmProp** properties) {
  for (int i = 0; i < count; ++i) SmFreeProperty(properties[i]);
  std::free(properties);
}
void DeleteProperties(SmsConn, SmPointer, int count, char** names) {
  for (int i = 0; i < count; ++i) std::free(names[i]);
  std::free(names);
}
void GetProperties(SmsConn sms, SmPointer) {
  SmsReturnProperties(sms, 0, nullptr);
}

Status NewClient(SmsConn sms, SmPointer, unsigned long* mask, SmsCallbacks* callbacks, char**) {
  // The connection was accepted below; it now asks for the session protocol.
  Client* client = nullptr;
  for (Client* known : g_clients)
    if (known->ice == SmsGetIceConnection(sms) && known->sms == nullptr && !known->closed)
      client = known;
  if (client == nullptr) {
    client = new Client;
    client->ice = SmsGetIceConnection(sms);
    g_clients.push_back(client);
  }
  client->sms = sms;
  std::memset(callbacks, 0, sizeof *callbacks);
  callbacks->register_client.callback = RegisterClient;
  callbacks->interact_request.callback = InteractRequest;
  callbacks->interact_done.callback = InteractDone;
  callbacks->save_yourself_request.callback = SaveYourselfRequest;
  callbacks->save_yourself_phase2_request.callback = SaveYourselfPhase2Request;
  callbacks->save_yourself_done.callback = SaveYourselfDone;
  callbacks->close_connection.callback = CloseConnection;
  callbacks->set_properties.callback = SetProperties;
  callbacks->delete_properties.callback = DeleteProperties;
  callbacks->get_properties.callback = GetProperties;
  for (SmPointer* data :
       {&callbacks->register_client.manager_data, &callbacks->interact_request.manager_data,
        &callbacks->interact_done.manager_data, &callbacks->save_yourself_request.manager_data,
        &callbacks->save_yourself_phase2_request.manager_data,
        &callbacks->save_yourself_done.manager_data, &callbacks->close_connection.manager_data,
        &callbacks->set_properties.manager_data, &callbacks->delete_properties.manager_data,
        &callbacks->get_properties.manager_data})
    *data = client;
  *mask = SmsRegisterClientProcMask | SmsInteractRequestProcMask | SmsInteractDoneProcMask |
          SmsSaveYourselfRequestProcMask | SmsSaveYourselfP2RequestProcMask |
          SmsSaveYourselfDoneProcMask | SmsCloseConnectionProcMask | SmsSetPropertiesProcMask |
          SmsDeletePropertiesProcMask | SmsGetPropertiesProcMask;
  return 1;
}

// Every local client may connect: the socket is the test's own.
Bool AnyHost(char*) {
  return True;
}

// A client that goes away without a word must not end the manager (the default handler exits).
void QuietIoError(IceConn) {}

void Command(const std::string& line) {
  const bool end = line == "end";
  if (!end && line != "checkpoint") return;
  for (Client* client : g_clients)
    if (client->registered && !client->closed) {
      client->ending = end;
      SmsSaveYourself(client->sms, SmSaveBoth, end ? True : False, SmInteractStyleNone, False);
    }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: xsmp_manager ADDRESS_FILE COMMAND_FIFO\n");
    return 2;
  }
  char error[256] = "";
  if (!SmsInitialize("tallymate-test", "1.0", NewClient, nullptr, AnyHost, sizeof error, error)) {
    std::fprintf(stderr, "SmsInitialize: %s\n", error);
    return 1;
  }
  IceSetIOErrorHandler(QuietIoError);
  _IceTransNoListen("tcp");
  int count = 0;
  IceListenObj* listeners = nullptr;
  if (!IceListenForConnections(&count, &listeners, sizeof error, error) || count == 0) {
    std::fprintf(stderr, "IceListenForConnections: %s\n", error);
    return 1;
  }
  for (int i = 0; i < count; ++i) IceSetHostBasedAuthProc(listeners[i], AnyHost);
  char* address = IceComposeNetworkIdList(count, listeners);
  {
    const std::string partial = std::string(argv[1]) + ".part";
    FILE* out = std::fopen(partial.c_str(), "w");
    if (out == nullptr || std::fprintf(out, "%s\n", address) < 0 || std::fclose(out) != 0 ||
        std::rename(partial.c_str(), argv[1]) != 0)
      return 1;
  }
  std::free(address);
  // Read and write, so that the last writer going away is no end of file.
  const int commands = ::open(argv[2], O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (commands < 0) return 1;
  std::string pending;

  // Ended by the test, the listening socket goes with the manager.
  struct sigaction stop {};
  stop.sa_handler = [](int) { g_stop = 1; };
  sigemptyset(&stop.sa_mask);
  ::sigaction(SIGTERM, &stop, nullptr);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(300);
  while (g_stop == 0 && std::chrono::steady_clock::now() < deadline) {
    std::vector<pollfd> fds;
    for (int i = 0; i < count; ++i)
      fds.push_back({IceGetListenConnectionNumber(listeners[i]), POLLIN, 0});
    fds.push_back({commands, POLLIN, 0});
    std::vector<Client*> watched;
    for (Client* client : g_clients)
      if (!client->closed) {
        fds.push_back({IceConnectionNumber(client->ice), POLLIN, 0});
        watched.push_back(client);
      }
    if (::poll(fds.data(), fds.size(), 500) <= 0) continue;

    for (int i = 0; i < count; ++i)
      if (fds[static_cast<size_t>(i)].revents & POLLIN) {
        IceAcceptStatus status;
        IceConn ice = IceAcceptConnection(listeners[i], &status);
        // Until the connection is set up its messages are read below; a client is made by
        // NewClient once it asks for the session protocol.
        if (ice != nullptr) {
          auto* setting_up = new Client;
          setting_up->ice = ice;
          g_clients.push_back(setting_up);
        }
      }
    if (fds[static_cast<size_t>(count)].revents & POLLIN) {
      char buffer[256];
      const ssize_t n = ::read(commands, buffer, sizeof buffer);
      if (n > 0) pending.append(buffer, static_cast<size_t>(n));
      for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
        Command(pending.substr(0, end));
        pending.erase(0, end + 1);
      }
    }
    for (size_t i = 0; i < watched.size(); ++i) {
      if (!(fds[static_cast<size_t>(count) + 1 + i].revents & (POLLIN | POLLHUP | POLLERR)))
        continue;
      Client* client = watched[i];
      if (client->closed) continue;
      if (IceProcessMessages(client->ice, nullptr, nullptr) == IceProcessMessagesIOError) {
        if (client->sms != nullptr) SmsCleanUp(client->sms);
        IceSetShutdownNegotiation(client->ice, False);
        IceCloseConnection(client->ice);
        client->closed = true;
        Say("closed");
      }
    }
  }
  IceFreeListenObjs(count, listeners);
  for (Client* client : g_clients) delete client;
  return 0;
}
