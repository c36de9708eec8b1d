#pragma once

// The text-effect list's icons: which rows have one, where the generator
// writes them and the library finds them, and their sizes. Shared by the
// generator and the library so the two can not drift apart.

namespace velmo::effect_icons {

// Rows 1 .. 12 of the text-effect list show a sample of the built-in effect
// of the same number; row r's icon is stored as "<id>.png" with id
// 20000 + r, and at twice the size as "<id>@2x.png".
inline constexpr int FirstRow = 1;
inline constexpr int LastRow = 12;
inline constexpr int IdBase = 20000;
inline constexpr const char* Folder = "effects";
inline constexpr int IconSize = 32;
inline constexpr int HighScale = 2;

} // namespace velmo::effect_icons
