// The link control's text rules, apart from its window: the anchor markers a dialog template
// writes around the linked words, and Internet Explorer's anchor colours as "r,g,b" texts.
// Portable, so both are tested natively.
#pragma once

#include <cstdint>
#include <string>

namespace velor::velhook {

// Bytes of an anchor colour value we take, its terminating zero included ("255,255,255").
inline constexpr std::size_t kAnchorColorSize = 12;

// The text with every "<a>" and "</a>" taken out; the rest is kept as written.
std::string StripLinkMarkers(std::string text);

struct AnchorColor {
    std::uint8_t red = 0, green = 0, blue = 0;
};

// Three decimal numbers from 0 to 255, separated by commas, with white space allowed around each
// number; false for anything else (a missing or extra part, a sign, a number out of range).
bool ParseAnchorColor(const std::string& text, AnchorColor* color);

// Whether text of one colour can be read on the other: their luminances lie far enough apart.
// A system's hot-light colour that cannot (some themes make it a pale grey) does not replace the
// link colour, or the link would all but vanish on the window colour.
bool ReadableOn(const AnchorColor& text, const AnchorColor& background);

}  // namespace velor::velhook
