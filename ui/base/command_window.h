// What every window of the program shares: the window set with the desktop services, and one
// way to run a handler. Buttons, menu commands, shortcuts, timers, focus actions and key
// filters all run through the program's one error path, so that a failure ends its command,
// reaches the one reporter and never unwinds through Qt's frames.
#pragma once

#include <QEvent>
#include <QObject>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "core/handler_boundary.h"
#include "ui/base/announcer.h"
#include "ui/base/colors.h"
#include "ui/base/context.h"

template <class Widget>
class CommandWindow : public Widget {
 protected:
  template <typename... WidgetArgs>
  explicit CommandWindow(AppContext& context, WidgetArgs&&... args)
      : Widget(std::forward<WidgetArgs>(args)...), context_(context) {}

  // Runs a handler now, through the error path; a result it shows is announced.
  void Run(const std::function<void()>& handler) {
    results_.CommandStarts();
    RunHandler(context_.desktop, handler);
    results_.CommandEnded();
  }

  // The controls that show the window's results, for a screen reader to hear them change.
  void AnnounceResults(std::vector<QWidget*> results) { results_.Watch(this, std::move(results)); }
  // What a command did that no result control shows, for a screen reader.
  void Say(const QString& text) { results_.Say(text); }

  // The handler as an action that runs through the error path, for whatever calls it later.
  std::function<void()> Handler(std::function<void()> handler) {
    return [this, handler = std::move(handler)] { Run(handler); };
  }

  // Runs the handler, through the error path, whenever `sender` emits `signal`.
  template <typename Sender, typename Signal>
  QMetaObject::Connection Connect(Sender* sender, Signal signal, std::function<void()> handler) {
    return QObject::connect(sender, signal, this, Handler(std::move(handler)));
  }

  // A field's key filter that runs through the error path; a failing filter drops the key.
  std::function<std::optional<char32_t>(char32_t)> Filter(
      std::optional<char32_t> (*filter)(char32_t, Desktop&)) {
    return [this, filter](char32_t key) {
      std::optional<char32_t> result;
      Run([&] { result = filter(key, context_.desktop); });
      return result;
    };
  }

  // A desktop palette that changes while the program runs (a dark theme switched on): the
  // system colours the window shows are looked up again, and its texts decided again on them.
  bool event(QEvent* e) override {
    const bool handled = Widget::event(e);
    if (e->type() == QEvent::ApplicationPaletteChange) RefreshColours(this);
    return handled;
  }

  AppContext& context_;

 private:
  ResultWatch results_;
};
