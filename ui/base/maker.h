// The maker's website, which the main and About windows open; their forms show it beside the
// e-mail address. It lies under a reserved example domain on purpose.
#pragma once

inline constexpr const char* kWebsite = "http://www.tallymate.example";
