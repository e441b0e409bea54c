#pragma once
// The name the texts give JPEG, shared by its codec and its registry entry.

inline constexpr const char* kJpegName = "JPEG";
