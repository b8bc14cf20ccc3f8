// The link control's text rules: markers taken out of a template's text, and Internet Explorer's
// anchor colours read from "r,g,b" with anything malformed refused.
#include <gtest/gtest.h>

#include "velhook/LinkText.h"

namespace velor::velhook {
namespace {

TEST(LinkText, EveryMarkerIsTakenOutAndTheRestKept) {
    EXPECT_EQ(StripLinkMarkers("Learn more about <a>Velor Outlook Express Extensions</a>."),
              "Learn more about Velor Outlook Express Extensions.");
    EXPECT_EQ(StripLinkMarkers("<a>one</a> and <a>two</a>"), "one and two");
    EXPECT_EQ(StripLinkMarkers("no markers, <b>bold</b> and <A>upper</A> stay"), "no markers, <b>bold</b> and <A>upper</A> stay");
    EXPECT_EQ(StripLinkMarkers("</a><a>"), "");
    EXPECT_EQ(StripLinkMarkers(""), "");
}

TEST(LinkText, AnchorColorsAreThreeNumbersUpTo255) {
    AnchorColor c;
    ASSERT_TRUE(ParseAnchorColor("0,0,255", &c));
    EXPECT_EQ(c.red, 0);
    EXPECT_EQ(c.green, 0);
    EXPECT_EQ(c.blue, 255);
    ASSERT_TRUE(ParseAnchorColor(" 128 , 0,128 ", &c));
    EXPECT_EQ(c.red, 128);
    EXPECT_EQ(c.green, 0);
    EXPECT_EQ(c.blue, 128);
    ASSERT_TRUE(ParseAnchorColor("255,255,255", &c));
    EXPECT_EQ(c.green, 255);
}

TEST(LinkText, MalformedAnchorColorsLeaveTheColorAlone) {
    AnchorColor c;
    c.red = 1, c.green = 2, c.blue = 3;
    for (const char* bad : {"", "0,0", "0,0,0,0", "256,0,0", "0,-1,0", "0,+1,0", "0,,0", "a,b,c", "0 0 0", "0,0,0x",
                            "1,2,3,", "99999999999,0,0"}) {
        EXPECT_FALSE(ParseAnchorColor(bad, &c)) << bad;
        EXPECT_EQ(c.red, 1) << bad;
        EXPECT_EQ(c.green, 2) << bad;
        EXPECT_EQ(c.blue, 3) << bad;
    }
}

TEST(LinkText, APaleHotLightIsNotReadableOnTheWindowColour) {
    const AnchorColor white{255, 255, 255}, black{0, 0, 0};
    EXPECT_TRUE(ReadableOn({0, 102, 204}, white)) << "the usual hot-light blue";
    EXPECT_TRUE(ReadableOn({0, 0, 255}, white));
    EXPECT_FALSE(ReadableOn({224, 224, 224}, white)) << "a pale theme's hot-light";
    EXPECT_FALSE(ReadableOn(white, white));
    EXPECT_TRUE(ReadableOn(white, black));
    EXPECT_FALSE(ReadableOn({30, 30, 30}, black));
}

}  // namespace
}  // namespace velor::velhook
