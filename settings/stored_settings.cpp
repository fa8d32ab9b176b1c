#include "settings/stored_settings.h"

#include <vector>

namespace {

// The keys, in the order the close writes them. Names match without regard to letter case,
// so one spelling serves reading and writing.
struct Key {
  const char* section;
  const char* key;
  int32_t StoredSettings::*field;
  unsigned part;
};

constexpr Key kKeys[] = {
    {"Color", "FormColor", &StoredSettings::window_colour, StoredSettings::kAppearance},
    {"Color", "Edit", &StoredSettings::field_colour, StoredSettings::kAppearance},
    {"Trackbar", "max", &StoredSettings::slider_maximum, StoredSettings::kSliderRange},
    {"Trackbar", "min", &StoredSettings::slider_minimum, StoredSettings::kSliderRange},
    {"Calendar", "color", &StoredSettings::calendar_colour, StoredSettings::kAppearance},
};
constexpr const char* kTipsSection = "var";
constexpr const char* kTipsKey = "c";  // 1: tips on

}  // namespace

StoredSettings ReadStoredSettings(const SettingsLocation& where) {
  StoredSettings settings;
  // One reading of the file for every key.
  std::vector<SettingsInteger> entries;
  for (const Key& k : kKeys) entries.push_back({k.section, k.key, settings.*k.field});
  entries.push_back({kTipsSection, kTipsKey, settings.tips ? 1 : 0});
  SettingsStore(where).ReadIntegers(entries);
  for (size_t i = 0; i < std::size(kKeys); ++i) settings.*kKeys[i].field = entries[i].value;
  settings.tips = entries.back().value != 0;
  return settings;
}

void WriteStoredSettings(const SettingsLocation& where, const StoredSettings& settings,
                         unsigned parts) {
  std::vector<SettingsInteger> entries;
  for (const Key& k : kKeys)
    if ((parts & k.part) != 0) entries.push_back({k.section, k.key, settings.*k.field});
  if ((parts & StoredSettings::kTips) != 0)
    entries.push_back({kTipsSection, kTipsKey, settings.tips ? 1 : 0});
  if (!entries.empty()) SettingsStore(where).WriteIntegers(entries);
}
