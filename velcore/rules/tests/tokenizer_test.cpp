// Tokens, their texts, the line count and the limits of the token buffer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "velcore/rules/ReaderMessages.h"
#include "velcore/rules/SieveTokenizer.h"

namespace velor::rules {
namespace {

struct Token {
    TokenKind kind;
    std::string text;
    bool operator==(const Token&) const = default;
};

std::vector<Token> Tokens(std::string_view script, TokenRead* last = nullptr) {
    SieveTokenizer tokenizer(script);
    std::vector<Token> tokens;
    TokenRead read;
    while ((read = tokenizer.Next()) == TokenRead::Token) {
        tokens.push_back({tokenizer.tokenKind, tokenizer.text});
    }
    if (last != nullptr) {
        *last = read;
    }
    return tokens;
}

TEST(Tokenizer, EveryTokenKind) {
    std::vector<Token> expected = {
        {TokenKind::Identifier, "if"},     {TokenKind::Identifier, "Ab1"},
        {TokenKind::Tag, "over"},          {TokenKind::Number, "100"},
        {TokenKind::String, "s"},          {TokenKind::OpenBrace, "{"},
        {TokenKind::CloseBrace, "}"},      {TokenKind::OpenBracket, "["},
        {TokenKind::CloseBracket, "]"},    {TokenKind::OpenParen, "("},
        {TokenKind::CloseParen, ")"},      {TokenKind::Semicolon, ";"},
        {TokenKind::Comma, ","},
    };
    EXPECT_EQ(Tokens("if Ab1 :over 100 \"s\" {}[]();,"), expected);
}

TEST(Tokenizer, NumbersWithUnitsStayWithin32Bits) {
    EXPECT_EQ(Tokens("100K")[0].text, "102400");
    EXPECT_EQ(Tokens("3m")[0].text, "3145728");
    EXPECT_EQ(Tokens("2G")[0].text, "2147483648");
    EXPECT_EQ(Tokens("3G")[0].text, "3221225472");
    EXPECT_EQ(Tokens("4294967295")[0].text, "4294967295");
    // Any other letter after the digits is the next token.
    std::vector<Token> split = {{TokenKind::Number, "12"}, {TokenKind::Identifier, "x"}};
    EXPECT_EQ(Tokens("12x"), split);
    for (const char* tooLarge : {"4G", "4294967296", "4194304K", "99999999999999999999"}) {
        SieveTokenizer tokenizer(tooLarge);
        EXPECT_EQ(tokenizer.Next(), TokenRead::Bad) << tooLarge;
        EXPECT_STREQ(tokenizer.message, msg::kNumberTooLarge) << tooLarge;
    }
}

TEST(Tokenizer, WordsLongerThanTheBufferAreRefused) {
    std::string fits(kTokenTextSize - 1, 'a');
    EXPECT_EQ(Tokens(fits)[0].text, fits);
    EXPECT_EQ(Tokens(":" + fits)[0].text, fits);
    for (const std::string& script :
         {std::string(kTokenTextSize, 'a'), ":" + std::string(kTokenTextSize, 'b'),
          std::string(kTokenTextSize, '0')}) {
        SieveTokenizer tokenizer(script);
        EXPECT_EQ(tokenizer.Next(), TokenRead::Bad);
        EXPECT_STREQ(tokenizer.message, msg::kTokenTooLong);
        EXPECT_EQ(tokenizer.Next(), TokenRead::Bad) << "nothing is read past a refused token";
    }
}

TEST(Tokenizer, QuotedStringEscapes) {
    EXPECT_EQ(Tokens(R"("a\"b\\c\'d\ne\rf\tg\xh")")[0].text, "a\"b\\c'd\ne\rf\tgxh");
    std::string longest = "\"" + std::string(kTokenTextSize - 1, 'q') + "\"";
    EXPECT_EQ(Tokens(longest)[0].text.size(), kTokenTextSize - 1);
    const std::string tooLongScript = "\"" + std::string(kTokenTextSize, 'q') + "\" keep;";
    SieveTokenizer tooLong(tooLongScript);
    EXPECT_EQ(tooLong.Next(), TokenRead::Bad);
    EXPECT_STREQ(tooLong.message, msg::kStringTooLong);
    TokenRead last;
    EXPECT_TRUE(Tokens("\"open", &last).empty());
    EXPECT_EQ(last, TokenRead::Bad);
}

TEST(Tokenizer, LinesCountedThroughCommentsAndHeaders) {
    const struct {
        const char* script;
        int line;
    } cases[] = {
        {"/* a\nb\n*/ x", 3},
        {"#!1 Name\nx", 2},
        {"#!1 Name\n# comment\n\nx", 4},
        {"#!0\n# # comment\n# x", 3},
        {"\r\n\r\nx", 3},
    };
    for (const auto& c : cases) {
        SieveTokenizer tokenizer(c.script);
        ASSERT_EQ(tokenizer.Next(), TokenRead::Token) << c.script;
        EXPECT_STREQ(tokenizer.text, "x") << c.script;
        EXPECT_EQ(tokenizer.line, c.line) << c.script;
    }
}

TEST(Tokenizer, LineFeedsInsideQuotedStringsAreNotCounted) {
    SieveTokenizer tokenizer("\"a\nb\"\nx");
    ASSERT_EQ(tokenizer.Next(), TokenRead::Token);
    EXPECT_EQ(tokenizer.line, 1);
    ASSERT_EQ(tokenizer.Next(), TokenRead::Token);
    EXPECT_EQ(tokenizer.line, 2);
}

TEST(Tokenizer, MultiLineStringsJoinTheirLines) {
    SieveTokenizer tokenizer("TEXT: ignored\nfirst\r\nsecond\n.\r\nnext");
    ASSERT_EQ(tokenizer.Next(), TokenRead::Token);
    EXPECT_EQ(tokenizer.tokenKind, TokenKind::String);
    EXPECT_STREQ(tokenizer.text, "first\rsecond");
    EXPECT_EQ(tokenizer.line, 5);
    ASSERT_EQ(tokenizer.Next(), TokenRead::Token);
    EXPECT_STREQ(tokenizer.text, "next");

    TokenRead last;
    EXPECT_TRUE(Tokens("text:\nno end\n", &last).empty());
    EXPECT_EQ(last, TokenRead::Bad);
    std::string tooLong = "text:\n" + std::string(kTokenTextSize - 1, 'a') + "\nb\n.\n";
    EXPECT_TRUE(Tokens(tooLong, &last).empty());
    EXPECT_EQ(last, TokenRead::Bad);
    std::string longest = "text:\n" + std::string(kTokenTextSize - 2, 'a') + "\nb\n.\n";
    EXPECT_EQ(Tokens(longest)[0].text.size(), kTokenTextSize - 1);
    // "text" without the colon is a plain identifier.
    EXPECT_EQ(Tokens("text :x")[0].kind, TokenKind::Identifier);
}

TEST(Tokenizer, CharacterThatBeginsNoTokenStopsReading) {
    SieveTokenizer tokenizer("keep @ stop");
    ASSERT_EQ(tokenizer.Next(), TokenRead::Token);
    EXPECT_EQ(tokenizer.Next(), TokenRead::Bad);
    EXPECT_EQ(tokenizer.Next(), TokenRead::Bad);
    EXPECT_FALSE(tokenizer.failed) << "the reader words the error for its context";
    TokenRead last;
    EXPECT_TRUE(Tokens(": x", &last).empty()) << "a colon without letters is no tag";
    EXPECT_EQ(last, TokenRead::Bad);
}

TEST(Tokenizer, PushBackDeliversTheSameTokenAgain) {
    SieveTokenizer tokenizer("a b");
    ASSERT_EQ(tokenizer.Next(), TokenRead::Token);
    tokenizer.PushBack();
    ASSERT_EQ(tokenizer.Next(), TokenRead::Token);
    EXPECT_STREQ(tokenizer.text, "a");
    ASSERT_EQ(tokenizer.Next(), TokenRead::Token);
    EXPECT_STREQ(tokenizer.text, "b");
    EXPECT_EQ(tokenizer.Next(), TokenRead::End);
}

TEST(Tokenizer, OnlyTheFirstFailureIsRecordedAndCut) {
    SieveTokenizer tokenizer("");
    tokenizer.Fail("first %s", std::string(1000, 'x').c_str());
    tokenizer.Fail("second");
    EXPECT_EQ(std::string(tokenizer.message).size(), kMessageSize - 1);
    EXPECT_EQ(std::string(tokenizer.message).substr(0, 6), "first ");
}

TEST(Tokenizer, TextEndsAtItsFirstNul) {
    std::string script("keep;\0discard;", 14);
    EXPECT_EQ(Tokens(script).size(), 2u);
}

}  // namespace
}  // namespace velor::rules
