// The maker's addresses and notice, shown in the main and About windows. They lie under a
// reserved example domain on purpose.
#pragma once

inline constexpr const char* kWebsite = "http://www.tallymate.example";
inline constexpr const char* kEmail = "tallymate@tallymate.example";
inline constexpr const char* kNotice = "© 2026 Tallymate, разработчики калькулятора";
