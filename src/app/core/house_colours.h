#pragma once

namespace sw {

// The window's two colours, as colour values (0x00BBGGRR: red in the low byte): the light one
// for backgrounds, the dark one for text, borders and bars. The pictures drawn by the program
// use them too.
inline constexpr unsigned kLightColour = 15655890; // RGB 210, 227, 238
inline constexpr unsigned kDarkColour = 9728318;   // RGB 62, 113, 148

} // namespace sw
