// Splits the script into tokens. Comments are where the rule state lives: a "#!" header line
// names the next rule and says whether it is on, and the lines of a switched-off rule are
// "#" lines whose content is read as script.
#include "velcore/rules/SieveTokenizer.h"

#include <cctype>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "velcore/rules/ReaderMessages.h"
#include "velcore/rules/SieveTree.h"

namespace velor::rules {
namespace {

constexpr std::size_t kMaxTextLength = kTokenTextSize - 1;
constexpr char kHeaderMark = '!';
constexpr char kHeaderEnabled = '1';
constexpr const char* kMultiLineKeyword = "text";
constexpr std::uint64_t kMaxNumber = 0xFFFFFFFFu;

// The shift of a unit letter after a number, or -1 when the letter is no unit.
int UnitShift(char c) {
    switch (c) {
    case 'K': case 'k': return 10;
    case 'M': case 'm': return 20;
    case 'G': case 'g': return 30;
    default: return -1;
    }
}

bool IsPunctuation(char c, TokenKind& kind) {
    switch (c) {
    case '{': kind = TokenKind::OpenBrace; return true;
    case '}': kind = TokenKind::CloseBrace; return true;
    case '[': kind = TokenKind::OpenBracket; return true;
    case ']': kind = TokenKind::CloseBracket; return true;
    case '(': kind = TokenKind::OpenParen; return true;
    case ')': kind = TokenKind::CloseParen; return true;
    case ';': kind = TokenKind::Semicolon; return true;
    case ',': kind = TokenKind::Comma; return true;
    default: return false;
    }
}

// The end of the run of characters from `p` that neither end a quoted string nor escape: the
// first '"' or '\\', or `end`. Sixteen characters a step where the CPU has SSE2, never reading
// at or past `end`.
const char* PlainRunEnd(const char* p, const char* end) {
#if defined(__SSE2__)
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i backslash = _mm_set1_epi8('\\');
    while (end - p >= 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int found = _mm_movemask_epi8(
            _mm_or_si128(_mm_cmpeq_epi8(chunk, quote), _mm_cmpeq_epi8(chunk, backslash)));
        if (found != 0) {
            return p + __builtin_ctz(static_cast<unsigned>(found));
        }
        p += 16;
    }
#endif
    while (p != end && *p != '"' && *p != '\\') {
        ++p;
    }
    return p;
}

}  // namespace

SieveTokenizer::SieveTokenizer(std::string_view script)
    : begin_(script.data()), cursor_(script.data()), end_(script.data() + script.size()) {
    for (int c = 0; c < 256; ++c) {
        classes_[c] = static_cast<std::uint8_t>((std::isalpha(c) != 0 ? kLetter : 0) |
                                                (std::isdigit(c) != 0 ? kDigit : 0) |
                                                (std::isspace(c) != 0 ? kSpace : 0));
        lower_[c] = static_cast<std::uint8_t>(std::tolower(c));
    }
    const void* nul = script.empty() ? nullptr : std::memchr(script.data(), '\0', script.size());
    if (nul != nullptr) {
        end_ = static_cast<const char*>(nul);
    }
}

char SieveTokenizer::Peek(std::size_t ahead) const {
    return static_cast<std::size_t>(end_ - cursor_) > ahead ? cursor_[ahead] : '\0';
}

void SieveTokenizer::Fail(const char* format, ...) {
    if (failed) {
        return;
    }
    failed = 1;
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(message, sizeof message, format, arguments);
    va_end(arguments);
}

TokenRead SieveTokenizer::Stuck() {
    stuck_ = true;
    return TokenRead::Bad;
}

TokenRead SieveTokenizer::Refuse(const char* why) {
    Fail("%s", why);
    return Stuck();
}

TokenRead SieveTokenizer::Next() {
    if (pushedBack) {
        pushedBack = 0;
        return TokenRead::Token;
    }
    previousTokenEnd_ = tokenEnd_;
    headerSeen_ = false;
    TokenRead read = ReadNext();
    tokenEnd_ = static_cast<std::size_t>(cursor_ - begin_);
    return read;
}

std::size_t SieveTokenizer::CommandStart() const {
    if (headerSeen_) {
        return headerStart_;
    }
    // The whole line when only blanks, or the "#" of a switched-off line, stand before the
    // keyword; never before the end of the token read before it.
    std::size_t start = tokenStart_;
    while (start > previousTokenEnd_) {
        char c = begin_[start - 1];
        if (c == '\n') {
            break;
        }
        if (c != '#' && !Is(c, kSpace)) {
            return tokenStart_;
        }
        --start;
    }
    return start;
}

TokenRead SieveTokenizer::ReadNext() {
    if (stuck_) {
        return TokenRead::Bad;
    }
    while (!AtEnd()) {
        char c = *cursor_;
        // Indentation comes in runs, and a blank is a blank in every state.
        if (c == ' ' || c == '\t') {
            do {
                ++cursor_;
            } while (cursor_ != end_ && (*cursor_ == ' ' || *cursor_ == '\t'));
            continue;
        }
        if (c == '\n') {
            ++line;
            ++cursor_;
            if (commentState != CommentState::BlockComment) {
                commentState = CommentState::Normal;
            }
            continue;
        }
        if (Is(c, kSpace)) {
            ++cursor_;
            continue;
        }
        if (commentState == CommentState::BlockComment) {
            if (c == '*' && Peek(1) == '/') {
                cursor_ += 2;
                commentState = CommentState::Normal;
            } else {
                ++cursor_;
            }
            continue;
        }
        if (commentState == CommentState::Comment) {
            // Nothing in a comment counts until its line ends.
            const void* newline = std::memchr(cursor_, '\n', static_cast<std::size_t>(end_ - cursor_));
            cursor_ = newline != nullptr ? static_cast<const char*>(newline) : end_;
            continue;
        }
        if (c == '#') {
            if (commentState == CommentState::Normal && Peek(1) == kHeaderMark) {
                if (!ReadRuleHeader()) {
                    return TokenRead::End;
                }
                continue;
            }
            // In an ordinary line "#" starts a comment, unless the rule being read is switched
            // off: then the line is one of its commented-out lines. Inside such a line a
            // further "#" is a real comment.
            if (commentState == CommentState::Normal && !enabled) {
                commentState = CommentState::DisabledLine;
            } else {
                commentState = CommentState::Comment;
            }
            ++cursor_;
            continue;
        }
        if (c == '/' && Peek(1) == '*') {
            cursor_ += 2;
            commentState = CommentState::BlockComment;
            commentLine_ = line;
            continue;
        }
        enabled = commentState == CommentState::Normal ? 1 : 0;
        tokenStart_ = static_cast<std::size_t>(cursor_ - begin_);
        return ReadToken();
    }
    if (commentState == CommentState::BlockComment) {
        line = commentLine_;
        return Refuse(msg::kCommentEnd);
    }
    return TokenRead::End;
}

// "#!" and the rest of its line: "1" or "0" for the rule's state, then a space and the name.
// The whole line is the header, however long, so that no part of a comment is read as script.
bool SieveTokenizer::ReadRuleHeader() {
    if (!headerSeen_) {
        headerSeen_ = true;
        headerStart_ = static_cast<std::size_t>(cursor_ - begin_);
    }
    cursor_ += 2;
    if (AtEnd()) {
        return false;
    }
    const char* start = cursor_;
    const void* newline = std::memchr(cursor_, '\n', static_cast<std::size_t>(end_ - cursor_));
    cursor_ = newline != nullptr ? static_cast<const char*>(newline) : end_;
    std::string_view header(start, static_cast<std::size_t>(cursor_ - start));
    if (!AtEnd()) {
        ++cursor_;
    }
    ++line;
    enabled = !header.empty() && header[0] == kHeaderEnabled ? 1 : 0;
    pendingName[0] = '\0';
    if (header.size() >= 2 && header[1] == ' ') {
        std::string_view name = header.substr(2);
        while (!name.empty() && (name.back() == '\r' || name.back() == '\n')) {
            name.remove_suffix(1);
        }
        SetText(pendingName, name);
    }
    return true;
}

TokenRead SieveTokenizer::ReadToken() {
    char c = *cursor_;
    TokenKind punctuation;
    if (IsPunctuation(c, punctuation)) {
        tokenKind = punctuation;
        text[0] = c;
        text[1] = '\0';
        textLength_ = 1;
        ++cursor_;
        return TokenRead::Token;
    }
    if (c == '"') {
        return ReadQuotedString();
    }
    if (c == ':' && Is(Peek(1), kLetter)) {
        ++cursor_;
        return ReadWord(TokenKind::Tag);
    }
    if (Is(c, kDigit)) {
        return ReadNumber();
    }
    if (Is(c, kLetter)) {
        TokenRead read = ReadWord(TokenKind::Identifier);
        if (read == TokenRead::Token && !AtEnd() && *cursor_ == ':' &&
            TextIs(kMultiLineKeyword)) {
            return ReadMultiLineString();
        }
        return read;
    }
    // The character is left where it is: every later read stops at it again.
    return Stuck();
}

TokenRead SieveTokenizer::ReadQuotedString() {
    // The cursor and the length live in locals while the text is stored: stores through a
    // char pointer would otherwise make the compiler reload both from the object each time.
    const char* cursor = cursor_ + 1;
    const char* const end = end_;
    std::size_t length = 0;
    for (;;) {
        // A run of plain characters at once.
        const char* run = cursor;
        cursor = PlainRunEnd(cursor, end);
        const auto runLength = static_cast<std::size_t>(cursor - run);
        if (runLength > kMaxTextLength - length) {
            // A longer string would have to be cut, and its tail read as script.
            cursor_ = cursor;
            textLength_ = length;
            return Refuse(msg::kStringTooLong);
        }
        if (runLength != 0) {
            std::memcpy(text + length, run, runLength);
        }
        length += runLength;
        if (cursor == end) {
            cursor_ = cursor;
            textLength_ = length;
            return Stuck();
        }
        char c = *cursor++;
        if (c == '"') {
            break;
        }
        // A backslash.
        if (cursor == end) {
            cursor_ = cursor;
            textLength_ = length;
            return Stuck();
        }
        c = *cursor++;
        if (c == 'n') {
            c = '\n';
        } else if (c == 'r') {
            c = '\r';
        } else if (c == 't') {
            c = '\t';
        }
        // A longer string would have to be cut, and its tail read as script.
        if (length == kMaxTextLength) {
            cursor_ = cursor;
            textLength_ = length;
            return Refuse(msg::kStringTooLong);
        }
        text[length++] = c;
    }
    text[length] = '\0';
    cursor_ = cursor;
    textLength_ = length;
    tokenKind = TokenKind::String;
    return TokenRead::Token;
}

TokenRead SieveTokenizer::ReadNumber() {
    std::uint64_t value = 0;
    std::size_t digits = 0;
    while (!AtEnd() && Is(*cursor_, kDigit)) {
        if (++digits > kMaxTextLength) {
            return Refuse(msg::kTokenTooLong);
        }
        value = value * 10 + static_cast<std::uint64_t>(*cursor_ - '0');
        if (value > kMaxNumber) {
            return Refuse(msg::kNumberTooLarge);
        }
        ++cursor_;
    }
    if (!AtEnd()) {
        int shift = UnitShift(*cursor_);
        if (shift >= 0) {
            ++cursor_;
            value <<= shift;
            if (value > kMaxNumber) {
                return Refuse(msg::kNumberTooLarge);
            }
        }
    }
    std::snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(value));
    textLength_ = std::strlen(text);
    tokenKind = TokenKind::Number;
    return TokenRead::Token;
}

// An identifier (letters and digits after a letter) or the letters of a tag.
TokenRead SieveTokenizer::ReadWord(TokenKind kind) {
    // Measured first and copied in one piece: stores through a char pointer, one a character,
    // would make the compiler reload the cursor and the length from the object each time.
    const std::uint8_t accepted = kind == TokenKind::Identifier ? kLetter | kDigit : kLetter;
    const char* const start = cursor_;
    const char* cursor = start;
    while (cursor != end_ && (classes_[static_cast<unsigned char>(*cursor)] & accepted) != 0) {
        ++cursor;
    }
    const auto length = static_cast<std::size_t>(cursor - start);
    if (length > kMaxTextLength) {
        // Where the characters that fit end, as when they were taken one by one.
        std::memcpy(text, start, kMaxTextLength);
        cursor_ = start + kMaxTextLength;
        textLength_ = kMaxTextLength;
        return Refuse(msg::kTokenTooLong);
    }
    std::memcpy(text, start, length);
    text[length] = '\0';
    textLength_ = length;
    cursor_ = cursor;
    tokenKind = kind;
    return TokenRead::Token;
}

// "text:" then lines up to one holding a single ".". The lines are joined without anything
// between them.
TokenRead SieveTokenizer::ReadMultiLineString() {
    while (!AtEnd() && *cursor_ != '\n') {
        ++cursor_;
    }
    if (AtEnd()) {
        return Stuck();
    }
    ++cursor_;
    ++line;
    textLength_ = 0;
    for (;;) {
        if (AtEnd()) {
            return Stuck();
        }
        const char* start = cursor_;
        while (!AtEnd() && *cursor_ != '\n') {
            ++cursor_;
        }
        std::string_view content(start, static_cast<std::size_t>(cursor_ - start));
        if (!AtEnd()) {
            ++cursor_;
        }
        ++line;
        std::string_view bare = content;
        if (!bare.empty() && bare.back() == '\r') {
            bare.remove_suffix(1);
        }
        if (bare == ".") {
            break;
        }
        if (content.size() > kMaxTextLength - textLength_) {
            return Stuck();
        }
        if (!content.empty()) {
            std::memcpy(text + textLength_, content.data(), content.size());
        }
        textLength_ += content.size();
    }
    text[textLength_] = '\0';
    tokenKind = TokenKind::String;
    return TokenRead::Token;
}

}  // namespace velor::rules
