// The reader's whole state over one script: comment handling, the current token, the rule
// header waiting for its command, the line count and the first error.
#pragma once

#include <cstdint>
#include <string_view>

#include "velcore/rules/RuleLimits.h"

namespace velor::rules {

enum class TokenKind : std::int32_t {
    Identifier = 0,
    String = 1,
    Tag = 2,     // text: the letters after ":"
    Number = 3,  // text: the value with its unit applied, in decimal
    OpenBrace = 4,
    CloseBrace = 5,
    OpenBracket = 6,
    CloseBracket = 7,
    OpenParen = 8,
    CloseParen = 9,
    Semicolon = 10,
    Comma = 11,
};

enum class CommentState : std::int32_t {
    Normal = 0,
    Comment = 1,       // "#" to the end of the line
    DisabledLine = 2,  // "#" line of a switched-off rule: its content is script
    BlockComment = 3,  // "/*" to "*/"
};

enum class TokenRead {
    Token,  // a token is in tokenKind and text
    End,    // the end of the text
    Bad,    // text that begins no token, or a token that cannot be held
};

class SieveTokenizer {
public:
    // The script ends at its end or at its first NUL, as the library's C strings do.
    explicit SieveTokenizer(std::string_view script);

    TokenRead Next();
    // The current token is delivered again by the next call.
    void PushBack() { pushedBack = 1; }
    // The offset in the script just after the last token the reader has taken (a token pushed
    // back is not taken).
    std::size_t ConsumedEnd() const { return pushedBack ? previousTokenEnd_ : tokenEnd_; }
    // Where the command whose keyword is the current token begins: its header line, or the
    // start of the keyword's line.
    std::size_t CommandStart() const;
    // The current token's text (as `text`, without measuring it).
    std::string_view Text() const { return std::string_view(text, textLength_); }
    // Whether the current token's text is `keyword` without regard to case, as
    // EqualsIgnoringCase has it, through the letter cases taken with the character classes.
    bool TextIs(std::string_view keyword) const {
        if (keyword.size() != textLength_) {
            return false;
        }
        for (std::size_t i = 0; i < textLength_; ++i) {
            if (text[i] != keyword[i] &&
                lower_[static_cast<unsigned char>(text[i])] != lower_[static_cast<unsigned char>(keyword[i])]) {
                return false;
            }
        }
        return true;
    }
    // Records the first error only; the message is cut to fit.
    void Fail(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;

    TokenKind tokenKind = TokenKind::Identifier;
    std::uint8_t enabled = 0;  // the current token stood in an ordinary line
    CommentState commentState = CommentState::Normal;
    std::int32_t failed = 0;
    char pendingName[kRuleNameSize] = {};
    char text[kTokenTextSize] = {};
    std::int32_t pushedBack = 0;
    std::int32_t line = 1;
    char message[kMessageSize] = {};

private:
    enum CharClass : std::uint8_t { kLetter = 1, kDigit = 2, kSpace = 4 };

    bool AtEnd() const { return cursor_ == end_; }
    bool Is(char c, CharClass kind) const { return (classes_[static_cast<unsigned char>(c)] & kind) != 0; }
    char Peek(std::size_t ahead) const;
    bool ReadRuleHeader();
    TokenRead ReadNext();
    TokenRead ReadToken();
    TokenRead ReadQuotedString();
    TokenRead ReadNumber();
    TokenRead ReadWord(TokenKind kind);
    TokenRead ReadMultiLineString();
    TokenRead Refuse(const char* message);
    TokenRead Stuck();

    const char* begin_;
    const char* cursor_;
    const char* end_;
    std::size_t textLength_ = 0;
    std::size_t tokenEnd_ = 0;
    std::size_t previousTokenEnd_ = 0;
    std::size_t tokenStart_ = 0;
    std::size_t headerStart_ = 0;
    bool headerSeen_ = false;  // a header line was read while looking for the current token
    std::int32_t commentLine_ = 0;  // where the open "/*" comment began
    // Once a read went bad, every later read reports the same, so that no caller can skip
    // over the bad place and go on reading after it.
    bool stuck_ = false;
    // The locale's character classes, taken once per script rather than asked per character.
    std::uint8_t classes_[256];
    // And its lower case of each character: keywords are matched by trying each in turn.
    std::uint8_t lower_[256];
};

}  // namespace velor::rules
