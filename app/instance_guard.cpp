#include "app/instance_guard.h"

#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QWidget>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr qsizetype kMaxTitleLength = 127;
// 127 UTF-16 units never need more than 508 bytes of UTF-8; properties are read in 32-bit units.
constexpr uint32_t kTitleReadLength = 128;
// Window managers put the client one or two levels below the frame; deeper is not worth a walk.
constexpr int kMaxClientDepth = 6;

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

// Every reply is read with an error pointer: a window may vanish between the query and the read,
// and an unclaimed error would travel into Qt's event queue as a logged X error.
Reply<xcb_get_property_reply_t> PropertyReply(xcb_connection_t* c, xcb_get_property_cookie_t k) {
  xcb_generic_error_t* error = nullptr;
  Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(c, k, &error));
  std::free(error);
  return reply;
}

Reply<xcb_query_tree_reply_t> TreeReply(xcb_connection_t* c, xcb_query_tree_cookie_t k) {
  xcb_generic_error_t* error = nullptr;
  Reply<xcb_query_tree_reply_t> reply(xcb_query_tree_reply(c, k, &error));
  std::free(error);
  return reply;
}

xcb_atom_t ExistingAtom(xcb_connection_t* c, xcb_intern_atom_cookie_t k) {
  xcb_generic_error_t* error = nullptr;
  Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, k, &error));
  std::free(error);
  return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

xcb_intern_atom_cookie_t InternIfExists(xcb_connection_t* c, const char* name) {
  return xcb_intern_atom(c, 1, static_cast<uint16_t>(std::strlen(name)), name);
}

bool HasProperty(const Reply<xcb_get_property_reply_t>& reply) {
  return reply && reply->type != XCB_ATOM_NONE;
}

QByteArray PropertyBytes(const Reply<xcb_get_property_reply_t>& reply) {
  if (!reply || reply->format != 8) return {};
  return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                    xcb_get_property_value_length(reply.get()));
}

// Whether the window has an owner: WM_TRANSIENT_FOR naming a window.
bool IsOwned(const Reply<xcb_get_property_reply_t>& reply) {
  if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4) return false;
  return *static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get())) != XCB_WINDOW_NONE;
}

struct Atoms {
  xcb_atom_t wm_state = XCB_ATOM_NONE;
  xcb_atom_t net_wm_name = XCB_ATOM_NONE;
  xcb_atom_t utf8_string = XCB_ATOM_NONE;
};

// The top-level windows of every screen, bottom to top, each followed by the client window that
// a window manager's frame holds: the first window below it, breadth first, that has WM_STATE.
// All requests of one level go out before any reply is read.
std::vector<xcb_window_t> TopLevelWindows(xcb_connection_t* c, const Atoms& atoms) {
  std::vector<xcb_window_t> tops;
  std::vector<xcb_query_tree_cookie_t> root_cookies;
  for (auto it = xcb_setup_roots_iterator(xcb_get_setup(c)); it.rem; xcb_screen_next(&it))
    root_cookies.push_back(xcb_query_tree(c, it.data->root));
  for (auto cookie : root_cookies) {
    auto tree = TreeReply(c, cookie);
    if (!tree) continue;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    tops.insert(tops.end(), children, children + xcb_query_tree_children_length(tree.get()));
  }

  std::vector<xcb_window_t> client(tops.size(), XCB_WINDOW_NONE);
  if (atoms.wm_state != XCB_ATOM_NONE) {
    struct Pending {
      xcb_window_t window;
      size_t top;
    };
    std::vector<Pending> level;
    for (size_t i = 0; i < tops.size(); ++i) level.push_back({tops[i], i});
    for (int depth = 0; !level.empty() && depth <= kMaxClientDepth; ++depth) {
      std::vector<xcb_get_property_cookie_t> states;
      states.reserve(level.size());
      for (const Pending& p : level)
        states.push_back(
            xcb_get_property(c, 0, p.window, atoms.wm_state, XCB_GET_PROPERTY_TYPE_ANY, 0, 0));
      std::vector<Pending> without;
      for (size_t i = 0; i < level.size(); ++i) {
        const bool has_state = HasProperty(PropertyReply(c, states[i]));
        if (has_state && client[level[i].top] == XCB_WINDOW_NONE)
          client[level[i].top] = level[i].window;
        else if (!has_state)
          without.push_back(level[i]);
      }
      if (depth == kMaxClientDepth) break;
      std::vector<Pending> searched;
      std::vector<xcb_query_tree_cookie_t> trees;
      for (const Pending& p : without) {
        if (client[p.top] != XCB_WINDOW_NONE) continue;
        searched.push_back(p);
        trees.push_back(xcb_query_tree(c, p.window));
      }
      level.clear();
      for (size_t i = 0; i < searched.size(); ++i) {
        auto tree = TreeReply(c, trees[i]);
        if (!tree) continue;
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        for (int k = 0; k < xcb_query_tree_children_length(tree.get()); ++k)
          level.push_back({children[k], searched[i].top});
      }
    }
  }

  std::vector<xcb_window_t> windows;
  windows.reserve(tops.size() * 2);
  for (size_t i = 0; i < tops.size(); ++i) {
    windows.push_back(tops[i]);
    if (client[i] != XCB_WINDOW_NONE && client[i] != tops[i]) windows.push_back(client[i]);
  }
  return windows;
}

}  // namespace

QString WindowTitleFromProperty(const QByteArray& bytes, bool utf8) {
  const QString text = utf8 ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
  return text.left(kMaxTitleLength);
}

bool AnotherWindowTitled(xcb_connection_t* c, const QString& title) {
  if (c == nullptr || xcb_connection_has_error(c) != 0) return false;
  const xcb_setup_t* setup = xcb_get_setup(c);
  if (setup == nullptr) return false;

  Atoms atoms;
  {
    auto wm_state = InternIfExists(c, "WM_STATE");
    auto net_wm_name = InternIfExists(c, "_NET_WM_NAME");
    auto utf8_string = InternIfExists(c, "UTF8_STRING");
    atoms.wm_state = ExistingAtom(c, wm_state);
    atoms.net_wm_name = ExistingAtom(c, net_wm_name);
    atoms.utf8_string = ExistingAtom(c, utf8_string);
  }

  // This copy's own windows: every id this connection hands out shares its resource-id base.
  const auto own = [setup](xcb_window_t w) {
    return (w & ~setup->resource_id_mask) == setup->resource_id_base;
  };
  std::vector<xcb_window_t> candidates;
  for (xcb_window_t w : TopLevelWindows(c, atoms))
    if (!own(w)) candidates.push_back(w);

  struct Cookies {
    xcb_get_property_cookie_t transient_for, net_wm_name, wm_name;
  };
  std::vector<Cookies> cookies;
  cookies.reserve(candidates.size());
  for (xcb_window_t w : candidates) {
    Cookies k{};
    k.transient_for = xcb_get_property(c, 0, w, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 0, 1);
    if (atoms.net_wm_name != XCB_ATOM_NONE)
      k.net_wm_name = xcb_get_property(c, 0, w, atoms.net_wm_name, XCB_GET_PROPERTY_TYPE_ANY, 0,
                                       kTitleReadLength);
    k.wm_name =
        xcb_get_property(c, 0, w, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, kTitleReadLength);
    cookies.push_back(k);
  }

  // Every reply is collected even after a match, so none is left for Qt to stumble over.
  bool found = false;
  for (const Cookies& k : cookies) {
    auto transient_for = PropertyReply(c, k.transient_for);
    Reply<xcb_get_property_reply_t> net_wm_name;
    if (atoms.net_wm_name != XCB_ATOM_NONE) net_wm_name = PropertyReply(c, k.net_wm_name);
    auto wm_name = PropertyReply(c, k.wm_name);
    if (found || IsOwned(transient_for)) continue;
    QString window_title;
    if (HasProperty(net_wm_name))
      window_title = WindowTitleFromProperty(PropertyBytes(net_wm_name), true);
    else if (HasProperty(wm_name))
      window_title =
          WindowTitleFromProperty(PropertyBytes(wm_name), atoms.utf8_string != XCB_ATOM_NONE &&
                                                              wm_name->type == atoms.utf8_string);
    else
      continue;
    found = window_title == title;
  }
  return found;
}

bool AnotherCopyRuns(QWidget& application_window, const QString& title) {
  auto* x11 =
      qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  xcb_connection_t* c = x11 != nullptr ? x11->connection() : nullptr;
  if (c == nullptr) {
    // No X11 desktop: the session's lock, taken at the program's start, is the whole guard.
    application_window.winId();
    return false;
  }
  // Holding the server while the own window appears and the others are read makes two copies
  // started at the same moment see each other in a fixed order, also when their environments
  // name the display differently and so their session locks differ: exactly one of them runs.
  xcb_grab_server(c);
  application_window.winId();
  xcb_flush(c);
  const bool found = AnotherWindowTitled(c, title);
  xcb_ungrab_server(c);
  xcb_flush(c);
  return found;
}
