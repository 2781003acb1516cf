#include "tasks/number_text.h"

#include <gtest/gtest.h>

TEST(NumberText, FormatsWithSeparators) {
    struct Case {
        uint32_t value;
        const char* text;
    };
    const Case cases[] = {{0, "0"},           {999, "999"},         {1000, "1,000"},
                          {999999, "999,999"}, {1234567, "1,234,567"}, {4294967295u, "4,294,967,295"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        char text[NumberTextSize];
        FormatThousands(c.value, text, sizeof(text));
        EXPECT_STREQ(text, c.text);
        EXPECT_EQ(ParseThousands(text), c.value);
    }
}

TEST(NumberText, FormatRespectsASmallBuffer) {
    char text[6];
    FormatThousands(4294967295u, text, sizeof(text));
    EXPECT_STREQ(text, "4,294");
}

TEST(NumberText, ParseRemovesSeparatorsInPlace) {
    char text[] = "1,234,567";
    EXPECT_EQ(ParseThousands(text), 1234567u);
    EXPECT_STREQ(text, "1234567");

    char leading[] = ",12";  // a separator in the first position stays
    EXPECT_EQ(ParseThousands(leading), 0u);
    EXPECT_STREQ(leading, ",12");
}

TEST(NumberText, NonNumbersReadAsZero) {
    const char* texts[] = {"", "フォルダ", "不明", "abc"};
    for (const char* t : texts) {
        SCOPED_TRACE(t);
        char text[32];
        snprintf(text, sizeof(text), "%s", t);
        EXPECT_EQ(ParseThousands(text), 0u);
    }
}
