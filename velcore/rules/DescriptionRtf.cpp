#include "velcore/rules/DescriptionRtf.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace velor::rules {
namespace {

constexpr const char* kColourTable = "{\\colortbl; \\red0\\green0\\blue255;\\red255\\green0\\blue0;}";

bool StartsWith(std::string_view text, std::size_t at, std::string_view prefix, bool ignoreCase = false) {
    if (text.size() - at < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char a = text[at + i], b = prefix[i];
        if (ignoreCase) {
            if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
            if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
        }
        if (a != b) return false;
    }
    return true;
}

// One character of text into the RTF, escaped so that it stands for itself.
void AppendRtfChar(std::string& rtf, unsigned char c) {
    if (c == '\\' || c == '{' || c == '}') {
        rtf += '\\';
        rtf += static_cast<char>(c);
    } else if (c >= 0x80 || c == '\'') {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\'%02x", c);
        rtf += escaped;
    } else {
        rtf += static_cast<char>(c);
    }
}

struct Tag {
    const char* markup;
    const char* rtf;
};

constexpr Tag kTags[] = {
    {"<br>", "\\par "},  {"<b>", "\\b "},     {"</b>", "\\b0 "},  {"<u>", "\\ul "},
    {"</u>", "\\ul0 "},  {"<i>", "\\i "},     {"</i>", "\\i0 "},  {"<nobr>", ""},
    {"</nobr>", ""},     {"&nbsp;", ""},      {"</font>", ""},    {"<font color=red>", ""},
};

class Converter {
public:
    Converter(std::string_view markup, RichDescription& out) : in_(markup), out_(out) {}

    void Run() {
        while (at_ < in_.size()) {
            if (StartsWith(in_, at_, "<a href=#", true)) {
                if (!LinkStart()) Char();
            } else if (inLink_ && StartsWith(in_, at_, "</a>", true)) {
                LinkEnd();
            } else if (!TagOrEntity()) {
                Char();
            }
        }
        if (inLink_) LinkEnd();
    }

private:
    bool TagOrEntity() {
        for (const Tag& tag : kTags) {
            if (StartsWith(in_, at_, tag.markup)) {
                out_.rtf += tag.rtf;
                if (std::strcmp(tag.markup, "<br>") == 0) {
                    out_.text += '\r';
                    ++position_;
                }
                at_ += std::strlen(tag.markup);
                return true;
            }
        }
        static constexpr struct {
            const char* entity;
            char c;
        } kEntities[] = {{"&gt;", '>'}, {"&lt;", '<'}, {"&amp;", '&'}};
        for (const auto& entity : kEntities) {
            if (StartsWith(in_, at_, entity.entity)) {
                Visible(static_cast<unsigned char>(entity.c));
                at_ += std::strlen(entity.entity);
                return true;
            }
        }
        return false;
    }

    void Char() {
        const unsigned char c = static_cast<unsigned char>(in_[at_++]);
        if (c == '\r' || c == '\n' || c < 0x20) return;  // line breaks are "<br>"
        Visible(c);
    }

    void Visible(unsigned char c) {
        AppendRtfChar(out_.rtf, c);
        out_.text += static_cast<char>(c);
        ++position_;
    }

    bool LinkStart() {
        const bool upper = StartsWith(in_, at_, "<A HREF=#");
        const std::size_t hrefStart = at_ + 9;
        const std::size_t close = in_.find('>', hrefStart);
        if (close == std::string_view::npos || inLink_) return false;
        std::string href(in_.substr(hrefStart, close - hrefStart));
        DescriptionLink link;
        std::size_t underscore = href.find('_');
        link.key = LinkKeyFromName(href.substr(0, underscore));
        if (underscore != std::string::npos) link.number = std::strtol(href.c_str() + underscore + 1, nullptr, 10);
        link.missing = upper;
        link.first = position_;
        current_ = link;
        inLink_ = true;
        out_.rtf += upper ? "{\\ul\\cf2 " : "{\\ul\\cf1 ";
        at_ = close + 1;
        return true;
    }

    void LinkEnd() {
        out_.rtf += '}';
        current_.last = position_ - 1;
        if (current_.last >= current_.first && current_.key != LinkKey::None) out_.links.push_back(current_);
        inLink_ = false;
        at_ = std::min(in_.size(), at_ + 4);
    }

    std::string_view in_;
    RichDescription& out_;
    std::size_t at_ = 0;
    long position_ = 0;
    bool inLink_ = false;
    DescriptionLink current_;
};

std::string RtfStart(unsigned codePage) {
    char start[64];
    std::snprintf(start, sizeof start, "{\\rtf1\\ansi\\ansicpg%u ", codePage);
    return start;
}

}  // namespace

RichDescription MarkupToRich(std::string_view markup, unsigned codePage) {
    RichDescription result;
    result.rtf = RtfStart(codePage) + kColourTable;
    Converter(markup, result).Run();
    result.rtf += " }";
    return result;
}

std::string CentredNoticeRtf(std::string_view text, unsigned codePage) {
    char start[64];
    std::snprintf(start, sizeof start, "{\\rtf1\\ansi\\ansicpg%u\\par\\qc {\\colortbl; }", codePage);
    std::string rtf = start;
    for (char c : text) AppendRtfChar(rtf, static_cast<unsigned char>(c));
    rtf += " \\par}";
    return rtf;
}

const DescriptionLink* LinkAt(const std::vector<DescriptionLink>& links, long character) {
    for (const DescriptionLink& link : links) {
        if (character >= link.first && character <= link.last) return &link;
    }
    return nullptr;
}

}  // namespace velor::rules
