#include "velhook/LinkText.h"

#include <cctype>

namespace velor::velhook {

std::string StripLinkMarkers(std::string text) {
    for (const std::string marker : {"<a>", "</a>"})
        for (std::size_t at = 0; (at = text.find(marker, at)) != std::string::npos;) text.erase(at, marker.size());
    return text;
}

bool ParseAnchorColor(const std::string& text, AnchorColor* color) {
    unsigned parts[3] = {};
    std::size_t at = 0;
    auto skipSpace = [&] {
        while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
    };
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            if (at >= text.size() || text[at] != ',') return false;
            ++at;
        }
        skipSpace();
        std::size_t digits = 0;
        unsigned value = 0;
        while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) {
            value = value * 10 + static_cast<unsigned>(text[at] - '0');
            if (value > 255) return false;
            ++at;
            ++digits;
        }
        if (digits == 0) return false;
        parts[i] = value;
        skipSpace();
    }
    if (at != text.size()) return false;
    color->red = static_cast<std::uint8_t>(parts[0]);
    color->green = static_cast<std::uint8_t>(parts[1]);
    color->blue = static_cast<std::uint8_t>(parts[2]);
    return true;
}

bool ReadableOn(const AnchorColor& text, const AnchorColor& background) {
    // Luminance in thousandths of a level, from the usual weights of red, green and blue.
    auto luminance = [](const AnchorColor& c) { return 299 * c.red + 587 * c.green + 114 * c.blue; };
    constexpr int kLeastDifference = 64 * 1000;
    const int difference = luminance(text) - luminance(background);
    return difference >= kLeastDifference || -difference >= kLeastDifference;
}

}  // namespace velor::velhook
