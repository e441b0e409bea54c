#pragma once
// The format's name, for the texts of its codec's errors and its table entry.

inline constexpr const char* kPngName = "PNG";
