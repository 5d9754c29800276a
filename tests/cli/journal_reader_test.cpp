// The journal reader on its own: what the writer makes reads back exactly,
// a torn last line is left out, and every line it cannot trust is refused.
#include <gtest/gtest.h>

#include "engine/instant.h"
#include "engine/journal_reader.h"

namespace {

const std::string kHeader =
    R"({"kelvora_journal":1,"program":"kelvora-cli 1.0.0","command":"fix","arguments":["kelvora-cli","fix"],)"
    R"("originals":"/o","copies":"/c","started":"2026-01-02T03:04:05.123456789Z"})"
    "\n";
const std::string kIntent =
    R"({"intent":1,"path":"d/f","size":7,"before":"2010-01-01T01:00:00.000000001Z","set":"2010-01-01T00:00:00.999999999Z"})"
    "\n";
const std::string kDone = R"({"done":1,"kept":"2010-01-01T00:00:00.999999999Z"})" "\n";
const std::string kEnd = R"({"end":{"touched":1},"finished":"2026-01-02T03:04:06.000000000Z"})" "\n";

const std::string kHeader2 =
    R"({"kelvora_journal":2,"program":"kelvora-cli 1.0.0","command":"fix","arguments":["kelvora-cli","fix"],)"
    R"("originals":"/o","copies":"/c","copies_device":1,"copies_object":2,"stable_objects":true,)"
    R"("started":"2026-01-02T03:04:05.123456789Z"})"
    "\n";
const std::string kIntent2 = R"({"i":1,"p":"d/f","n":7,"o":9,"b":"1262307600.000000001","s":"1262304000"})" "\n";

std::string Refused(const std::string& bytes)
{
    engine::Journal journal;
    std::string error;
    EXPECT_FALSE(engine::ParseJournal(bytes, journal, error)) << bytes.substr(0, 300);
    return error;
}

}  // namespace

TEST(JournalReader, InstantsReadBackToTheNanosecondAndOnlyInTheirOneForm)
{
    for (const fsys::Instant instant : {fsys::Instant{0, 0}, fsys::Instant{1262304000, 1},
                                        fsys::Instant{-1, 999999999}, fsys::Instant{-62167219200, 5},
                                        fsys::Instant{253402300799, 999999999}, fsys::Instant{32503680000, 0}}) {
        fsys::Instant read{7, 7};
        ASSERT_TRUE(engine::ParseIsoUtc(engine::IsoUtc(instant), read)) << engine::IsoUtc(instant);
        EXPECT_EQ(read, instant) << engine::IsoUtc(instant);
    }
    fsys::Instant read;
    for (const char* text : {"2010-02-31T00:00:00.000000000Z", "2010-01-01T00:00:00.000000000",
                             "2010-01-01T00:00:00Z", "02010-01-01T00:00:00.000000000Z",
                             "2010-01-01T24:00:00.000000000Z", "2010-01-01T00:00:60.000000000Z",
                             "2010-1-01T00:00:00.000000000Z", "2010-01-01 00:00:00.000000000Z",
                             "+2010-01-01T00:00:00.00000000Z", "", "-", "9999999999999-01-01T00:00:00.000000000Z"})
        EXPECT_FALSE(engine::ParseIsoUtc(text, read)) << text;
}

TEST(JournalReader, SecondsReadBackOverTheWholeRangeAndOnlyInTheirOneForm)
{
    for (const fsys::Instant instant : {fsys::Instant{0, 0}, fsys::Instant{0, 1}, fsys::Instant{-1, 999999999},
                                        fsys::Instant{INT64_MAX, 999999999}, fsys::Instant{INT64_MIN, 0},
                                        fsys::Instant{INT64_MIN, 1}, fsys::Instant{1500000000, 987654321}}) {
        char text[engine::kSecondsRoom];
        const size_t length = engine::FormatSeconds(instant, text);
        fsys::Instant read{7, 7};
        ASSERT_TRUE(engine::ParseSeconds(text, length, read)) << std::string(text, length);
        EXPECT_EQ(read, instant) << std::string(text, length);
    }
    fsys::Instant read;
    for (const std::string text : {"", "-", "-0", "01", "1.", "1.5", "1.000000000", "1.0000000001", "+1", "1e3",
                                   "9223372036854775808", "-9223372036854775809", "18446744073709551616", " 1",
                                   "1.00000000a"})
        EXPECT_FALSE(engine::ParseSeconds(text.data(), text.size(), read)) << text;
}

TEST(JournalReader, ReadsARunAndLeavesOutATornLastLine)
{
    engine::Journal journal;
    std::string error;
    ASSERT_TRUE(engine::ParseJournal(kHeader + kIntent + kDone + kEnd, journal, error)) << error;
    EXPECT_EQ(journal.header.copies, "/c");
    EXPECT_EQ(journal.header.started, (fsys::Instant{1767323045, 123456789}));
    ASSERT_EQ(journal.entries.size(), 1u);
    EXPECT_EQ(journal.entries[0].path, "d/f");
    EXPECT_EQ(journal.entries[0].size, 7u);
    EXPECT_EQ(journal.entries[0].before, (fsys::Instant{1262307600, 1}));
    EXPECT_EQ(journal.entries[0].mark, engine::Mark::Done);
    EXPECT_TRUE(journal.ended);
    EXPECT_FALSE(journal.torn);

    // Cut anywhere inside the mark: the intent stands, without its mark.
    for (size_t cut = 1; cut < kDone.size() - 1; ++cut) {
        ASSERT_TRUE(engine::ParseJournal(kHeader + kIntent + kDone.substr(0, cut), journal, error)) << cut << error;
        EXPECT_TRUE(journal.torn);
        EXPECT_FALSE(journal.ended);
        ASSERT_EQ(journal.entries.size(), 1u);
        EXPECT_EQ(journal.entries[0].mark, engine::Mark::None);
    }
    // A done mark without "kept": the file system kept the time set.
    ASSERT_TRUE(engine::ParseJournal(kHeader + kIntent + "{\"done\":1}\n", journal, error)) << error;
    EXPECT_EQ(journal.entries[0].kept, journal.entries[0].set);
    // A complete last line that only lacks its line end is read.
    ASSERT_TRUE(engine::ParseJournal(kHeader + kIntent + kDone.substr(0, kDone.size() - 1), journal, error));
    EXPECT_EQ(journal.entries[0].mark, engine::Mark::Done);
    EXPECT_FALSE(journal.torn);
}

TEST(JournalReader, NamesThatAreNotUtf8ReadBackToTheirBytes)
{
    engine::Journal journal;
    std::string error;
    const std::string intent =
        R"({"intent":1,"path_hex":"64ff2f61","size":0,"before":"2010-01-01T01:00:00.000000000Z","set":"2010-01-01T00:00:00.000000000Z"})"
        "\n";
    ASSERT_TRUE(engine::ParseJournal(kHeader + intent, journal, error)) << error;
    EXPECT_EQ(journal.entries.at(0).path, std::string("d\xff/a"));
    // Hex that is not hex, or that spells a path leaving the folder.
    std::string bad = intent;
    bad.replace(bad.find("64ff2f61"), 8, "64fg2f61");
    EXPECT_NE(Refused(kHeader + bad).find("hexadecimal"), std::string::npos);
    bad = intent;
    bad.replace(bad.find("64ff2f61"), 8, "2e2e2f61");  // "../a"
    EXPECT_NE(Refused(kHeader + bad).find("leads out of the copies folder"), std::string::npos);
}

TEST(JournalReader, RefusesWhatItCannotTrust)
{
    const auto intentWithPath = [](const std::string& path) {
        return R"({"intent":1,"path":")" + path +
               R"(","size":7,"before":"2010-01-01T01:00:00.000000000Z","set":"2010-01-01T00:00:00.000000000Z"})"
               "\n";
    };
    std::string header2 = kHeader;
    header2.replace(header2.find("\"kelvora_journal\":1"), 19, "\"kelvora_journal\":3");
    std::string relativeCopies = kHeader;
    relativeCopies.replace(relativeCopies.find("\"/c\""), 4, "\"c\"");
    const std::string huge = R"({"intent":1,"path":")" + std::string(engine::kMaxJournalLine, 'a') + "\"}\n";
    const struct {
        std::string bytes;
        const char* message;
    } cases[] = {
        {"", "empty"},
        {kIntent + kDone, "not a journal of kelvora-cli"},
        {"hello\n" + kIntent, "not a journal of kelvora-cli"},
        {header2 + kIntent, "format version is 3"},
        {kHeader.substr(0, 40), "not a journal"},
        {relativeCopies + kIntent, "not an absolute path"},
        {kHeader + intentWithPath("../outside"), "leads out"},
        {kHeader + intentWithPath("d/../../outside"), "leads out"},
        {kHeader + intentWithPath("/etc/passwd"), "leads out"},
        {kHeader + intentWithPath("d//f"), "leads out"},
        {kHeader + intentWithPath("./f"), "leads out"},
        {kHeader + intentWithPath(""), "leads out"},
        {kHeader + huge + kDone, "longer than"},
        {kHeader + huge, "longer than"},
        {kHeader + intentWithPath("d\xff") + kDone, "line 2: the line is not a JSON object"},
        {kHeader + "{\"intent\":1,\n" + kDone, "line 2"},
        {kHeader + kIntent + "\n" + kDone, "line 3"},
        {kHeader + kIntent + "[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[" + std::string(100000, '[') + "\n" + kDone,
         "nested too deep"},
        {kHeader + kDone, "refers to no intent"},
        {kHeader + kIntent + kDone + kDone, "marked twice"},
        {kHeader + R"({"intent":2,"path":"f","size":1,"before":"2010-01-01T01:00:00.000000000Z","set":"2010-01-01T00:00:00.000000000Z"})" "\n",
         "numbered 2 where 1"},
        {kHeader + R"({"intent":1,"path":"f","size":-1,"before":"2010-01-01T01:00:00.000000000Z","set":"2010-01-01T00:00:00.000000000Z"})" "\n",
         "\"size\""},
        {kHeader + R"({"intent":1,"path":"f","size":1,"before":"yesterday","set":"2010-01-01T00:00:00.000000000Z"})" "\n",
         "\"before\" is not an instant"},
        {kHeader + kIntent + kEnd + kDone, "follows the end"},
        {kHeader + R"({"what":1})" "\n" + kEnd, "neither an intent"},
        {kHeader2 + kIntent2 + R"({"end":{},"intents":1,"made":1,"finished":"2026-01-02T03:04:06.000000000Z"})" "\n",
         "not those of the lines before it"},
        {kHeader2 + kIntent2 + R"({"d":1})" "\n" R"({"end":{},"intents":2,"made":1,"finished":"2026-01-02T03:04:06.000000000Z"})" "\n",
         "not those of the lines before it"},
        {kHeader2 + R"({"i":1,"p":"f","n":1,"o":1,"b":"2010-01-01T01:00:00.000000000Z","s":"1"})" "\n",
         "\"b\" is not an instant"},
        {kHeader2 + R"({"i":1,"p":"f","n":1,"b":"1","s":"1"})" "\n", "\"o\""},
        {kHeader2 + kIntent, "neither an intent"},
        {R"({"kelvora_journal":2,"program":"p","command":"fix","originals":"/o","copies":"/c","started":"2026-01-02T03:04:05.123456789Z"})" "\n",
         "copies_device"},
    };
    for (const auto& c : cases) {
        const std::string error = Refused(c.bytes);
        EXPECT_NE(error.find(c.message), std::string::npos) << c.message << " / " << error;
    }
}

TEST(JournalReader, TheWritersOwnLinesReadAlikeWhateverTheirSpacing)
{
    // The lines a run writes for each change are read by a plain reader of
    // their exact form; the same lines spaced otherwise go through the
    // general JSON parser. Both must give the same records and refuse the
    // same lines.
    const std::vector<std::string> good = {
        R"({"i":1,"p":"d/f","n":7,"o":9,"b":"1262307600.000000001","s":"1262304000"})",
        R"({"i":2,"p":"\u00e9t\u00e9/x","n":0,"o":18446744073709551615,"b":"-1","s":"9223372036854775807.999999999"})",
        R"({"i":3,"p":"été/ü","n":18446744073709551615,"o":0,"b":"-9223372036854775808","s":"0.500000000"})",
        R"({"i":4,"p":"p","n":1,"o":1,"b":"1","s":"2","v":"content"})",
        R"({"i":5,"p":"q","n":1,"o":1,"b":"1","s":"2","v":"sha256"})",
        R"({"d":1})",
        R"({"d":3})",
    };
    const std::vector<std::string> bad = {
        R"({"i":6,"p":"a","n":01,"o":1,"b":"1","s":"1"})",
        R"({"i":6,"p":"a","n":1,"o":18446744073709551616,"b":"1","s":"1"})",
        R"({"i":6,"p":"../a","n":1,"o":1,"b":"1","s":"1"})",
        R"({"i":6,"p":"a","n":1,"o":1,"b":"01","s":"1"})",
        R"({"i":6,"p":"a","n":1,"o":1,"b":"1","s":"0.5"})",
        R"({"i":6,"p":"a)" "\xc0\xaf" R"(","n":1,"o":1,"b":"1","s":"1"})",
        R"({"i":6,"p":"a)" "\xed\xa0\x80" R"(","n":1,"o":1,"b":"1","s":"1"})",
        R"({"i":7,"p":"a","n":1,"o":1,"b":"1","s":"1"})",
        R"({"i":6,"p":"a","n":1,"o":1,"b":"1","s":"1"}x)",
        R"({"d":1})",
        R"({"d":9})",
        R"({"d":0})",
        R"({"d":2,})",
        R"({"i":6,"p":"a","n":1,"o":1,"b":"1","s":"1","v":"md5"})",
        R"({"i":6,"p":"a","n":1,"o":1,"b":"1","s":"1","v":1})",
        R"({"i":6,"p":"a","n":1,"o":1,"b":"1","s":"1","v":""})",
    };
    const auto read = [&](bool spaced, const std::vector<std::string>& lines) {
        std::vector<std::string> records;
        engine::JournalParser parser;
        engine::JournalParser::Line kind;
        std::string error;
        const std::string header = kHeader2.substr(0, kHeader2.size() - 1);
        EXPECT_TRUE(parser.Read(header.data(), header.size(), true, kind, error)) << error;
        for (std::string line : lines) {
            if (spaced)
                line.insert(1, " ");
            if (!parser.Read(line.data(), line.size(), true, kind, error)) {
                records.push_back("refused " + error.substr(0, error.find(':')));
                break;
            }
            if (kind == engine::JournalParser::Line::Intent) {
                const engine::JournalEntry& e = parser.intent();
                records.push_back(std::to_string(e.serial) + " " + e.path + " " + std::to_string(e.size) + " " +
                                  std::to_string(e.object) + " " + std::to_string(e.before.seconds) + "." +
                                  std::to_string(e.before.nanos) + " " + std::to_string(e.set.seconds) + "." +
                                  std::to_string(e.set.nanos) + " " + e.verified);
            } else {
                records.push_back("mark " + std::to_string(parser.markSerial()) + " made " +
                                  std::to_string(parser.made()));
            }
        }
        return records;
    };
    EXPECT_EQ(read(false, good), read(true, good));
    EXPECT_EQ(read(false, good).size(), good.size());
    for (const std::string& line : bad) {
        std::vector<std::string> lines = good;
        lines.push_back(line);
        const auto plain = read(false, lines);
        EXPECT_EQ(plain, read(true, lines)) << line;
        EXPECT_EQ(plain.back(), "refused line 9") << line;
    }
}

TEST(JournalReader, FolderChangesReadBackAndFilesStayFiles)
{
    const std::string folders =
        kHeader2 + kIntent2 +
        R"({"i":2,"p":"d","n":4096,"o":3,"b":"1262307600","s":"1262304000","t":"d"})" "\n"
        R"({"i":3,"p":".","n":4096,"o":2,"b":"1262300400","s":"1262304000","t":"d"})" "\n"
        R"({"d":1})" "\n" R"({"d":2})" "\n" R"({"d":3})" "\n";
    engine::Journal journal;
    std::string error;
    ASSERT_TRUE(engine::ParseJournal(folders, journal, error)) << error;
    ASSERT_EQ(journal.entries.size(), 3u);
    EXPECT_FALSE(journal.entries[0].folder);
    EXPECT_EQ(journal.entries[0].path, "d/f");
    EXPECT_TRUE(journal.entries[1].folder);
    EXPECT_EQ(journal.entries[1].path, "d");
    EXPECT_TRUE(journal.entries[2].folder);
    EXPECT_EQ(journal.entries[2].path, "");  // the copies folder itself
    EXPECT_EQ(journal.entries[2].mark, engine::Mark::Done);
    // "." is the top only for a folder; another kind is refused.
    EXPECT_NE(Refused(kHeader2 + R"({"i":1,"p":".","n":7,"o":9,"b":"1262307600","s":"1262304000"})" "\n")
                  .find("line 2: the path leads out"),
              std::string::npos);
    EXPECT_NE(Refused(kHeader2 + R"({"i":1,"p":"d","n":7,"o":9,"b":"1262307600","s":"1262304000","t":"f"})" "\n")
                  .find("line 2: the change's kind"),
              std::string::npos);
    EXPECT_NE(Refused(kHeader2 + R"({"i":1,"p":"../d","n":7,"o":9,"b":"1262307600","s":"1262304000","t":"d"})" "\n")
                  .find("line 2: the path leads out"),
              std::string::npos);
}
