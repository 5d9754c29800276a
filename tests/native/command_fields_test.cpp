#include "app/command_fields.h"

#include <gtest/gtest.h>

TEST(FieldCount, CountsOccurrencesPlusOne)
{
    EXPECT_EQ(FieldCount("abc", "/"), 1);
    EXPECT_EQ(FieldCount("", "/"), 1);
    EXPECT_EQ(FieldCount("/", "/"), 2);
    EXPECT_EQ(FieldCount("a//b/", "/"), 4);
    EXPECT_EQ(FieldCount("a=b=c", "="), 3);
    // A separator of several characters is searched again just after each hit.
    EXPECT_EQ(FieldCount("aaaa", "aa"), 4);
}

TEST(FieldAt, ReturnsFieldsIncludingEmptyOnes)
{
    EXPECT_EQ(FieldAt("abc", "/", 1), "abc");
    EXPECT_EQ(FieldAt("abc", "/", 2), "");
    EXPECT_EQ(FieldAt("", "/", 1), "");
    EXPECT_EQ(FieldAt("a//b/", "/", 1), "a");
    EXPECT_EQ(FieldAt("a//b/", "/", 2), "");
    EXPECT_EQ(FieldAt("a//b/", "/", 3), "b");
    EXPECT_EQ(FieldAt("a//b/", "/", 4), "");
    EXPECT_EQ(FieldAt("/x", "/", 2), "x");
    EXPECT_EQ(FieldAt("a=b=c", "=", 2), "b");
    EXPECT_EQ(FieldAt("a=b=c", "=", 3), "c");
}

TEST(FieldAt, PastTheEndOrBeforeTheStartIsEmpty)
{
    EXPECT_EQ(FieldAt("a/b", "/", 3), "");
    EXPECT_EQ(FieldAt("a/b", "/", 100), "");
    EXPECT_EQ(FieldAt("a/b", "/", 0), "");
    EXPECT_EQ(FieldAt("a/b", "/", -1), "");
}

TEST(FieldCount, EmptySeparatorGivesOneField)
{
    EXPECT_EQ(FieldCount("abc", ""), 1);
    EXPECT_EQ(FieldAt("abc", "", 1), "abc");
    EXPECT_EQ(FieldAt("abc", "", 2), "");
}

TEST(JoinArguments, OneBlankBetweenAndTrimmedEnds)
{
    EXPECT_EQ(JoinArguments({}), "");
    EXPECT_EQ(JoinArguments({"/MUET=1", "/INI=c:\\x.ini"}), "/MUET=1 /INI=c:\\x.ini");
    EXPECT_EQ(JoinArguments({" ", "/RUN", " "}), "/RUN");
    EXPECT_EQ(JoinArguments({"/INI=a b"}), "/INI=a b");
}

struct ParseCase {
    const char* line;
    CommandLineAction action;
    const char* unknownKeyword;
    const char* iniText;
    bool runFlag;
    bool muteFlag;
};

void PrintTo(const ParseCase& c, std::ostream* out)
{
    *out << '"' << c.line << '"';
}

class ParseCommandLineTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseCommandLineTest, GivesActionAndSettings)
{
    const ParseCase& c = GetParam();
    const CommandLineSettings settings = ParseCommandLine(c.line);
    EXPECT_EQ(settings.action, c.action);
    EXPECT_EQ(settings.unknownKeyword, c.unknownKeyword);
    EXPECT_EQ(settings.iniText, c.iniText);
    EXPECT_EQ(settings.runFlag, c.runFlag);
    EXPECT_EQ(settings.muteFlag, c.muteFlag);
}

INSTANTIATE_TEST_SUITE_P(Keywords, ParseCommandLineTest, testing::Values(
    ParseCase{"", COMMAND_LINE_RUN, "", "", false, false},
    ParseCase{"    ", COMMAND_LINE_RUN, "", "", false, false},
    ParseCase{"hello", COMMAND_LINE_BAD_FORMAT, "", "", false, false},
    ParseCase{"hello world", COMMAND_LINE_BAD_FORMAT, "", "", false, false},
    ParseCase{"/?", COMMAND_LINE_HELP, "", "", false, false},
    ParseCase{"/aide", COMMAND_LINE_HELP, "", "", false, false},
    ParseCase{"/Help", COMMAND_LINE_HELP, "", "", false, false},
    ParseCase{"/ AIDE = x", COMMAND_LINE_HELP, "", "", false, false},
    ParseCase{"/RUN", COMMAND_LINE_RUN, "", "", true, false},
    ParseCase{"/RUN=1", COMMAND_LINE_RUN, "", "", true, false},
    ParseCase{"/run=no", COMMAND_LINE_RUN, "", "", true, false},
    ParseCase{"/MUET=1 /INI=c:\\x.ini", COMMAND_LINE_RUN, "", "c:\\x.ini", false, true},
    ParseCase{"/INI=C:/dir/x.ini", COMMAND_LINE_UNKNOWN, "DIR", "C:", false, false},
    ParseCase{"/INI=a=b", COMMAND_LINE_RUN, "", "a", false, false},
    ParseCase{"/INI = spaced value ", COMMAND_LINE_RUN, "", "spaced value", false, false},
    ParseCase{"/FOO=1 /?", COMMAND_LINE_UNKNOWN, "FOO", "", false, false},
    ParseCase{"/RUN /foo /MUET", COMMAND_LINE_UNKNOWN, "FOO", "", true, false},
    ParseCase{"/? /FOO", COMMAND_LINE_HELP, "", "", false, false},
    ParseCase{"text /MUET", COMMAND_LINE_RUN, "", "", false, true},
    ParseCase{"/=", COMMAND_LINE_RUN, "", "", false, false},
    ParseCase{"/=x /RUN", COMMAND_LINE_RUN, "", "", true, false},
    ParseCase{"/ ", COMMAND_LINE_RUN, "", "", false, false},
    ParseCase{"/", COMMAND_LINE_RUN, "", "", false, false},
    ParseCase{"/r\xE9sum\xE9", COMMAND_LINE_UNKNOWN, "R\xE9SUM\xE9", "", false, false}));

TEST(CommandLineTexts, AreTheProgramsOwn)
{
    EXPECT_EQ(CommandLineHelpText(),
              "Aide\r\r/? /HELP /AIDE : l'aide que vous lisez actuellement.\r...");
    EXPECT_EQ(CommandLineHelpText().find('\n'), Text::npos);
    EXPECT_EQ(UnknownKeywordText("DIR"), "Mot-clef 'DIR' inconnu !");
    EXPECT_EQ(CommandLineFormatError(),
              "Les param\xE8tres de la ligne de commande ne sont pas sous la forme /MotClef=Valeur");
}

// The longest command line Windows passes on, cut into as many arguments as
// it can hold: every field is still read, in order, up to the last one.
TEST(ParseCommandLine, LongestLineOfSlashesOrOfKeywords)
{
    const size_t kLongest = 32767;
    EXPECT_EQ(ParseCommandLine(Text(kLongest, '/')).action, COMMAND_LINE_RUN);

    Text keywords;
    while (keywords.size() + 10 < kLongest)
        keywords += "/run /=x /";
    const CommandLineSettings many = ParseCommandLine(keywords + "/ini=last/zz");
    EXPECT_EQ(many.action, COMMAND_LINE_UNKNOWN);
    EXPECT_EQ(many.unknownKeyword, "ZZ");
    EXPECT_EQ(many.iniText, "last");
    EXPECT_TRUE(many.runFlag);
}
