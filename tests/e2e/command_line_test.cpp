// The "/MotClef=Valeur" arguments: the help box and a refused keyword end the
// program, a text without "/" is reported and the program goes on, the other
// keywords change nothing.
#include <string>

#include <gtest/gtest.h>

#include "driver/driver.h"
#include "resource_ids.h"

namespace {

const char kHelpText[] = "Aide\r\r/? /HELP /AIDE : l'aide que vous lisez actuellement.\r...";
const char kFormatText[] =
    "Les param\xE8tres de la ligne de commande ne sont pas sous la forme /MotClef=Valeur";

// True once InitMainDialog has given the controls their first values, which
// comes after the command line has been read.
bool Initialised(const driver::Process& kelvora)
{
    return driver::ControlText(kelvora, IDC_SHIFT_EDIT) == "1" &&
           driver::StatusText(kelvora) == "Pr\xEAt.";
}

// How a run that shows one box and then ends went.
struct Ending {
    bool boxSeen = false;
    int exitCode = -1;
    DWORD pauseMs = 0;   // from the closing of the box to the end of the process
};

// Starts Kelvora with `arguments`, waits for a box, checks its caption and
// text, closes it and waits for the process to end.

Ending RunUntilBoxAndExit(const std::string& arguments, const char* caption, const std::string& text)
{
    Ending ending;
    driver::Process kelvora;
    if (!driver::Start(kelvora, arguments))
        return ending;
    driver::Box box;
    if (!driver::WaitBox(kelvora, box))
        return ending;
    ending.boxSeen = true;
    EXPECT_EQ(box.caption, caption) << arguments;
    EXPECT_EQ(box.text, text) << arguments;
    driver::CloseBox(box);
    const DWORD closed = GetTickCount();
    ending.exitCode = driver::WaitExit(kelvora);
    ending.pauseMs = GetTickCount() - closed;
    return ending;
}

}  // namespace

TEST(CommandLine, HelpShowsTheHelpBoxThenEndsWithCodeZero)
{
    for (const char* arguments : {"/?", "/aide", "/Help", "/ AIDE = x", "/RUN /?"}) {
        const Ending ending = RunUntilBoxAndExit(arguments, "Info", kHelpText);
        ASSERT_TRUE(ending.boxSeen) << arguments;
        EXPECT_EQ(ending.exitCode, 0) << arguments;
        // The program waits half a second after the box before it closes.
        EXPECT_GE(ending.pauseMs, 400u) << arguments;
    }
}

TEST(CommandLine, UnknownKeywordIsRefusedAndEndsWithCodeZero)
{
    struct Case {
        const char* arguments;
        const char* keyword;
    };
    for (const Case c : {Case{"/FOO=1", "FOO"}, Case{"/FOO=1 /?", "FOO"},
                         Case{"/INI=C:/dir/x.ini", "DIR"}, Case{"/muet /bar", "BAR"}}) {
        // Only one box: a help request after the refused keyword is never read,
        // so the process ends after the first box is closed.
        const Ending ending =
            RunUntilBoxAndExit(c.arguments, "Erreur", std::string("Mot-clef '") + c.keyword + "' inconnu !");
        ASSERT_TRUE(ending.boxSeen) << c.arguments;
        EXPECT_EQ(ending.exitCode, 0) << c.arguments;
    }
}

TEST(CommandLine, TextWithoutSlashIsReportedThenTheProgramRuns)
{
    driver::Process kelvora;
    ASSERT_TRUE(driver::Start(kelvora, "hello"));
    driver::Box box;
    ASSERT_TRUE(driver::WaitBox(kelvora, box));
    EXPECT_EQ(box.caption, "Erreur");
    EXPECT_EQ(box.text, kFormatText);
    driver::CloseBox(box);

    ASSERT_TRUE(driver::WaitMainWindow(kelvora));
    ASSERT_TRUE(driver::WaitFor([&] { return Initialised(kelvora); }));
    EXPECT_EQ(driver::ControlText(kelvora, IDC_ORIGINALS_FOLDER), "");
    EXPECT_EQ(driver::ControlText(kelvora, IDC_COPIES_FOLDER), "");
    EXPECT_EQ(driver::CheckState(kelvora, IDC_UNIT_HOURS), BST_CHECKED);
    // Once all it was asked has been handled, it still runs and shows no
    // further box.
    ASSERT_TRUE(driver::Sync(kelvora));
    EXPECT_FALSE(driver::BoxShown(kelvora, &box)) << box.caption << ": " << box.text;
    EXPECT_EQ(driver::WaitExit(kelvora, 0), -1);

    driver::PostClose(kelvora);
    EXPECT_EQ(driver::WaitExit(kelvora), 0);
}

TEST(CommandLine, AcceptedArgumentsChangeNothing)
{
    for (const char* arguments : {"", "   ", "/RUN", "/RUN=1", "/run=no", "/MUET=1 /INI=c:\\x.ini",
                                  "/INI=a=b", "text /MUET", "/=", "/ "}) {
        driver::Process kelvora;
        ASSERT_TRUE(driver::Start(kelvora, arguments)) << arguments;
        ASSERT_TRUE(driver::WaitMainWindow(kelvora)) << arguments;
        ASSERT_TRUE(driver::WaitFor([&] { return Initialised(kelvora); })) << arguments;
        // No box, no run started by itself: once all it was asked has been
        // handled, the list is empty and the program still there.
        ASSERT_TRUE(driver::Sync(kelvora)) << arguments;
        driver::Box box;
        EXPECT_FALSE(driver::BoxShown(kelvora, &box)) << arguments << ": " << box.text;
        EXPECT_TRUE(driver::ListLines(kelvora).empty()) << arguments;
        EXPECT_EQ(driver::ProgressPosition(kelvora), 0) << arguments;
        EXPECT_EQ(driver::WaitExit(kelvora, 0), -1) << arguments;

        driver::PostClose(kelvora);
        EXPECT_EQ(driver::WaitExit(kelvora), 0) << arguments;
    }
}

TEST(CommandLine, MessagesAreStillShownAfterMuet)
{
    // MUET is recorded but silences nothing: a touch run with empty fields
    // still reports its error.
    driver::Process kelvora;
    ASSERT_TRUE(driver::Start(kelvora, "/MUET=1"));
    ASSERT_TRUE(driver::WaitMainWindow(kelvora));
    ASSERT_TRUE(driver::WaitFor([&] { return Initialised(kelvora); }));
    driver::Click(kelvora, IDC_TOUCH_BUTTON);
    driver::Box box;
    ASSERT_TRUE(driver::WaitBox(kelvora, box));
    EXPECT_EQ(box.caption, "Erreur");
    driver::CloseBox(box);
    driver::PostClose(kelvora);
    EXPECT_EQ(driver::WaitExit(kelvora), 0);
}
