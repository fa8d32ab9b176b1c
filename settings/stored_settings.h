// What the program keeps in its settings file, as one record: each key, the value it reads as
// when the file lacks it, one reader and one writer. Start-up reads the whole record, the close
// writes all but the tips switch, the settings window's OK writes the tips switch alone.
#pragma once

#include <cstdint>
#include <string>

#include "settings/settings_store.h"

struct StoredSettings {
  // Colours are the program's 32-bit colour values, kept as the signed numbers the file holds.
  int32_t window_colour = 100;
  int32_t field_colour = 100;
  int32_t slider_minimum = 100;
  int32_t slider_maximum = 100;
  int32_t calendar_colour = 100;
  bool tips = false;

  // The parts a write covers.
  enum Parts : unsigned {
    kAppearance = 1u << 0,  // both colours of the windows and the calendar colour
    kSliderRange = 1u << 1,
    kTips = 1u << 2,
  };
};

// The record kept at `where`; each missing key reads as the record's default above.
StoredSettings ReadStoredSettings(const SettingsLocation& where);

// Writes the chosen parts of `settings` into the file kept at `where` in one replacement of the
// file: it holds all of them or, when the write fails (SettingsWriteError), none.
void WriteStoredSettings(const SettingsLocation& where, const StoredSettings& settings,
                         unsigned parts);
