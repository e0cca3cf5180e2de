#pragma once
// Appended to the window title.
inline constexpr const char* kLumivarVersionSuffix = "v3.0.0_202409";
