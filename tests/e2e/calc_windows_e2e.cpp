// Helper of the calculation windows' end-to-end test, for what xdotool cannot do:
//   --clipboard     prints the text of the X clipboard (a field's text copied with Ctrl+C);
//   --close WINDOW  asks the window to close (WM_DELETE_WINDOW), as its close box does, also
//                   on an X server without a window manager.
#include <xcb/xcb.h>

#include <QClipboard>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
  const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::free(reply);
  return atom;
}

int Close(const char* window_text) {
  const auto window = static_cast<xcb_window_t>(std::stoul(window_text, nullptr, 0));
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c)) return 2;
  xcb_client_message_event_t event{};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = window;
  event.type = Atom(c, "WM_PROTOCOLS");
  event.data.data32[0] = Atom(c, "WM_DELETE_WINDOW");
  event.data.data32[1] = XCB_CURRENT_TIME;
  xcb_generic_error_t* error =
      xcb_request_check(c, xcb_send_event_checked(c, 0, window, XCB_EVENT_MASK_NO_EVENT,
                                                  reinterpret_cast<const char*>(&event)));
  const int code = error != nullptr ? error->error_code : 0;
  std::free(error);
  xcb_disconnect(c);
  if (code != 0) std::fprintf(stderr, "close: X error %d\n", code);
  return code != 0 ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--close") == 0) return Close(argv[2]);
  if (argc != 2 || std::strcmp(argv[1], "--clipboard") != 0) {
    std::fprintf(stderr, "usage: %s --clipboard | --close WINDOW\n", argv[0]);
    return 2;
  }
  QGuiApplication app(argc, argv);
  const QByteArray text = QGuiApplication::clipboard()->text().toUtf8();
  std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
  return 0;
}
