// A Desktop that records every request instead of blocking or reaching outside.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "core/desktop.h"

class RecordingDesktop : public Desktop {
 public:
  struct Event {
    enum Kind { Beep, Information, Error, PickColour, PickPictureFile, ShellOpen } kind;
    std::string text;  // message, shell target, or empty
    bool operator==(const Event&) const = default;
  };

  void Beep() override { events.push_back({Event::Beep, {}}); }
  void ShowInformation(const std::string& text) override {
    events.push_back({Event::Information, text});
  }
  void ShowError(const std::string& text) override { events.push_back({Event::Error, text}); }
  std::optional<uint32_t> PickColour(uint32_t initial) override {
    events.push_back({Event::PickColour, std::to_string(initial)});
    return Next(colour_answers);
  }
  std::optional<std::string> PickPictureFile() override {
    events.push_back({Event::PickPictureFile, {}});
    return Next(file_answers);
  }
  bool ShellOpen(const std::string& target) override {
    events.push_back({Event::ShellOpen, target});
    return shell_result;
  }

  // What the dialogs answer next (empty queue: cancelled).
  std::deque<std::optional<uint32_t>> colour_answers;
  std::deque<std::optional<std::string>> file_answers;
  bool shell_result = true;

  std::vector<Event> events;

  std::vector<std::string> Texts(Event::Kind kind) const {
    std::vector<std::string> out;
    for (const Event& e : events)
      if (e.kind == kind) out.push_back(e.text);
    return out;
  }
  void Clear() { events.clear(); }

 private:
  template <typename T>
  static std::optional<T> Next(std::deque<std::optional<T>>& queue) {
    if (queue.empty()) return std::nullopt;
    std::optional<T> v = queue.front();
    queue.pop_front();
    return v;
  }
};
