// The program's settings file: each key, and the value it reads as when the file lacks it.
// Start-up reads all six, the close writes the first five, the settings window's OK the last.
#pragma once

#include <cstdint>

#include "settings/settings_store.h"

struct SettingKey {
  const char* section;
  const char* key;
  int32_t missing;  // the value read when the file lacks the key

  // The key to read, with its value for a missing key; or to write, with `value`.
  constexpr SettingsInteger Read() const { return {section, key, missing}; }
  constexpr SettingsInteger Write(int32_t value) const { return {section, key, value}; }
};

// Names match without regard to letter case, so one spelling serves reading and writing.
inline constexpr SettingKey kWindowColourKey{"Color", "FormColor", 100};
inline constexpr SettingKey kFieldColourKey{"Color", "Edit", 100};
inline constexpr SettingKey kMaximumKey{"Trackbar", "max", 100};
inline constexpr SettingKey kMinimumKey{"Trackbar", "min", 100};
inline constexpr SettingKey kCalendarColourKey{"Calendar", "color", 100};
inline constexpr SettingKey kTipsKey{"var", "c", 0};  // 1: tips on
