// A foreign X client for the single-instance tests: one top-level window with a given title,
// kept until the process is killed.
//
//   x_title_window TITLE [--mapped] [--net-only] [--transient]
//   x_title_window --watch-maps
//   x_title_window --ping WINDOW MILLISECONDS
//
// --mapped     map the window (otherwise it stays unmapped, like an application window)
// --net-only   set only _NET_WM_NAME, no WM_NAME
// --transient  give it an owner: WM_TRANSIENT_FOR names a second window of this client
//
// Prints "ready" on stdout once the server has the window and its properties; with --mapped,
// "ready 0x..." once the window is viewable, naming the child of the root window that holds it
// (the window itself, or a window manager's frame), whose map a watcher then reports.
//
// --watch-maps instead prints one line "map 0x..." for every window that is mapped as a child
// of the root window (a client, or a window manager's frame around one), after "ready".
//
// --ping asks WINDOW (a number, 0x... allowed) whether it answers, as a window manager does with
// _NET_WM_PING, every 20 ms for MILLISECONDS, and prints "pings N answered M longest L": L is
// the longest time in milliseconds a ping waited for its answer (or until the end, unanswered).
#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

static xcb_atom_t atom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), NULL);
  xcb_atom_t a = r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
  free(r);
  return a;
}

static xcb_window_t make_window(xcb_connection_t* c, xcb_screen_t* s) {
  xcb_window_t w = xcb_generate_id(c);
  xcb_create_window(c, XCB_COPY_FROM_PARENT, w, s->root, 10, 10, 200, 60, 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, s->root_visual, 0, NULL);
  return w;
}

static int watch_maps(void) {
  xcb_connection_t* c = xcb_connect(NULL, NULL);
  if (xcb_connection_has_error(c)) {
    fprintf(stderr, "cannot open the display\n");
    return 1;
  }
  xcb_screen_t* s = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(c, s->root, XCB_CW_EVENT_MASK, &mask);
  free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), NULL));
  printf("ready\n");
  fflush(stdout);
  xcb_generic_event_t* e;
  while ((e = xcb_wait_for_event(c)) != NULL) {
    if ((e->response_type & 0x7f) == XCB_MAP_NOTIFY) {
      printf("map 0x%x\n", reinterpret_cast<xcb_map_notify_event_t*>(e)->window);
      fflush(stdout);
    }
    std::free(e);
  }
  return 0;
}

// Waits until the window is viewable (it and every ancestor mapped: a window manager maps its
// frame after it reparents the window) and returns the root's child that holds it.
static xcb_window_t wait_viewable(xcb_connection_t* c, xcb_window_t root, xcb_window_t w) {
  for (int tries = 0; tries < 500; ++tries) {
    xcb_get_window_attributes_reply_t* a =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), NULL);
    const bool viewable = a != NULL && a->map_state == XCB_MAP_STATE_VIEWABLE;
    free(a);
    if (viewable) break;
    usleep(10000);
  }
  xcb_window_t top = w;
  for (;;) {
    xcb_query_tree_reply_t* t = xcb_query_tree_reply(c, xcb_query_tree(c, top), NULL);
    if (t == NULL) return top;
    const xcb_window_t parent = t->parent;
    free(t);
    if (parent == root || parent == XCB_WINDOW_NONE) return top;
    top = parent;
  }
}

static long long now_ms(void) {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

static int ping(xcb_window_t w, long long milliseconds) {
  xcb_connection_t* c = xcb_connect(NULL, NULL);
  if (xcb_connection_has_error(c)) {
    fprintf(stderr, "cannot open the display\n");
    return 1;
  }
  xcb_screen_t* s = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  // The answer is sent to the root window, for whoever watches its structure (Qt) or its
  // children (as the window manager standard describes it).
  const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(c, s->root, XCB_CW_EVENT_MASK, &mask);
  const xcb_atom_t protocols = atom(c, "WM_PROTOCOLS");
  const xcb_atom_t net_wm_ping = atom(c, "_NET_WM_PING");
  enum { kMax = 4096 };
  static long long sent[kMax], answered[kMax];
  // Our own stamps, far from the server times a window manager's pings carry.
  const uint32_t first_stamp = 0x70000000u;
  int count = 0;
  const long long start = now_ms();
  long long next = start;
  for (;;) {
    const long long t = now_ms();
    if (t - start >= milliseconds) break;
    if (t >= next && count < kMax) {
      xcb_client_message_event_t e;
      memset(&e, 0, sizeof e);
      e.response_type = XCB_CLIENT_MESSAGE;
      e.format = 32;
      e.window = w;
      e.type = protocols;
      e.data.data32[0] = net_wm_ping;
      e.data.data32[1] = first_stamp + static_cast<uint32_t>(count);
      e.data.data32[2] = w;
      xcb_send_event(c, 0, w, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&e));
      xcb_flush(c);
      sent[count] = t;
      answered[count] = -1;
      ++count;
      next = t + 20;
    }
    pollfd fd = {xcb_get_file_descriptor(c), POLLIN, 0};
    poll(&fd, 1, 5);
    while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
      if ((e->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
        const auto* m = reinterpret_cast<xcb_client_message_event_t*>(e);
        const uint32_t stamp = m->data.data32[1] - first_stamp;
        if (m->type == protocols && m->data.data32[0] == net_wm_ping &&
            stamp < static_cast<uint32_t>(count) && answered[stamp] < 0)
          answered[stamp] = now_ms();
      }
      free(e);
    }
    if (xcb_connection_has_error(c)) break;
  }
  const long long end = now_ms();
  int answers = 0;
  long long longest = 0;
  for (int i = 0; i < count; ++i) {
    answers += answered[i] >= 0;
    const long long waited = (answered[i] >= 0 ? answered[i] : end) - sent[i];
    if (waited > longest) longest = waited;
  }
  printf("pings %d answered %d longest %lld\n", count, answers, longest);
  return 0;
}

int main(int argc, char** argv) {
  if (argc == 2 && strcmp(argv[1], "--watch-maps") == 0) return watch_maps();
  if (argc == 4 && strcmp(argv[1], "--ping") == 0)
    return ping(static_cast<xcb_window_t>(strtoul(argv[2], NULL, 0)), atoll(argv[3]));
  if (argc < 2) {
    fprintf(stderr, "usage: %s TITLE [--mapped] [--net-only] [--transient]\n", argv[0]);
    return 2;
  }
  const char* title = argv[1];
  int mapped = 0, net_only = 0, transient = 0;
  for (int i = 2; i < argc; ++i) {
    if (strcmp(argv[i], "--mapped") == 0)
      mapped = 1;
    else if (strcmp(argv[i], "--net-only") == 0)
      net_only = 1;
    else if (strcmp(argv[i], "--transient") == 0)
      transient = 1;
    else {
      fprintf(stderr, "unknown option %s\n", argv[i]);
      return 2;
    }
  }
  xcb_connection_t* c = xcb_connect(NULL, NULL);
  if (xcb_connection_has_error(c)) {
    fprintf(stderr, "cannot open the display\n");
    return 1;
  }
  xcb_screen_t* s = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  xcb_window_t w = make_window(c, s);
  const uint32_t len = static_cast<uint32_t>(std::strlen(title));
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, atom(c, "_NET_WM_NAME"), atom(c, "UTF8_STRING"),
                      8, len, title);
  if (!net_only)
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, len,
                        title);
  if (transient) {
    xcb_window_t owner = make_window(c, s);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 32,
                        1, &owner);
  }
  if (mapped) xcb_map_window(c, w);
  /* A round trip: everything above has reached the server. */
  free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), NULL));
  if (mapped)
    printf("ready 0x%x\n", wait_viewable(c, s->root, w));
  else
    printf("ready\n");
  fflush(stdout);
  for (;;) pause();
}
