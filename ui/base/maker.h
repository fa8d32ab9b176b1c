// The maker's addresses and notice, shown in the main and About windows. They lie under a
// reserved example domain on purpose, and are short enough for the About window's labels.
#pragma once

inline constexpr const char* kWebsite = "http://www.tallymate.example";
inline constexpr const char* kEmail = "tm@tallymate.example";
inline constexpr const char* kNotice = "© 2026 Разработчики Tallymate";
