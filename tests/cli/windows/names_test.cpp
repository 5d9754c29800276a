// Names that no ANSI code page holds, and paths far beyond 260 characters:
// paired, repaired, and written out as UTF-8 on stdout and in reports.
#include <gtest/gtest.h>

#include "files.h"
#include "harness.h"

namespace {

using harness::kS;
constexpr int64_t kHour = 3600 * kS;
const int64_t kT = 1262304000 * kS + 1234500;  // a fraction Windows keeps (100 ns steps)

const std::string kGreek = "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC";  // Ελληνικά
const std::string kCyrillic = "\xD0\xBA\xD0\xB8\xD1\x80\xD0\xB8\xD0\xBB\xD0\xBB\xD0\xB8\xD1\x86\xD0\xB0";  // кириллица
const std::string kChinese = "\xE4\xB8\xAD\xE6\x96\x87\xE6\x96\x87\xE4\xBB\xB6";  // 中文文件
const std::string kEmoji = "photo \xF0\x9F\x98\x80\xF0\x9F\x8E\x89";  // photo 😀🎉

}  // namespace

TEST(WindowsNames, GreekCyrillicChineseAndEmojiArePairedRepairedAndWrittenAsUtf8)
{
    harness::Scratch scratch;
    const std::vector<std::string> names = {kGreek + "/" + kCyrillic + ".txt", kCyrillic + "/" + kChinese,
                                            kChinese + "/" + kEmoji + ".jpg", kEmoji + "/" + kGreek};
    std::vector<harness::Pair> pairs;
    for (const std::string& name : names)
        pairs.push_back({name, 7, kT, kHour});
    harness::WritePairs(scratch / "o", scratch / "c", pairs);
    const std::string jsonReport = scratch / (kCyrillic + " " + kEmoji + ".jsonl");
    const auto fix = harness::Run({"fix", scratch / "o", scratch / "c", "--shift", "1h", "--json", "--jobs", "1",
                                   "--report", jsonReport});
    ASSERT_EQ(fix.status, 0) << fix.err;
    for (const std::string& name : names) {
        EXPECT_EQ(harness::ModifiedNanos(scratch / "c/" + name), kT) << name;
        // Each path exactly as its UTF-8 bytes, on stdout and in the report.
        EXPECT_NE(fix.out.find("\"path\":\"" + name + "\""), std::string::npos) << name << "\n" << fix.out;
    }
    const auto lines = harness::Lines(fix.out);
    ASSERT_EQ(lines.size(), names.size() + 1);
    EXPECT_EQ(harness::Lines(winfiles::ReadBytes(jsonReport)), lines);
    EXPECT_NE(lines.back().find("\"touched\":4,"), std::string::npos) << lines.back();
    EXPECT_EQ(fix.out.find('\r'), std::string::npos) << "line ends as on other systems";

    // The CSV report and the dry run's text lines carry the same bytes.
    harness::WritePairs(scratch / "o", scratch / "c", {{names[2], 7, kT, -kHour}});
    const std::string csvReport = scratch / (kChinese + ".csv");
    std::string backslashed = scratch.path();  // folders typed the Windows way
    for (char& c : backslashed)
        if (c == '/')
            c = '\\';
    const auto dry = harness::Run({"fix", backslashed + "\\o", backslashed + "\\c", "--shift", "1h",
                                   "--dry-run", "--report", csvReport});
    ASSERT_EQ(dry.status, 0) << dry.err;
    EXPECT_NE(dry.out.find("would touch " + backslashed + "\\c\\" + kChinese + "\\" + kEmoji + ".jpg"),
              std::string::npos)
        << dry.out;
    const std::string csv = winfiles::ReadBytes(csvReport);
    EXPECT_NE(csv.find(kChinese + "/" + kEmoji + ".jpg"), std::string::npos) << csv;
    EXPECT_EQ(harness::ModifiedNanos(scratch / "c/" + names[2]), kT - kHour);

    // scan counts them, and the folders can be named in those scripts too.
    harness::WritePairs(scratch / "o", scratch / "c", {{kGreek + "/again", 3, kT, kHour}});
    const auto scan = harness::Run({"scan", scratch / "o/" + kGreek, scratch / "c/" + kGreek, "--json"});
    EXPECT_EQ(scan.status, 0) << scan.err;
    EXPECT_NE(scan.out.find("\"pairs\":2,"), std::string::npos) << scan.out;
    // Its suggestion quotes them as the command prompt reads them back.
    EXPECT_NE(scan.out.find("\"suggested\":\"kelvora-cli fix \\\"" + scratch / "o/" + kGreek + "\\\" \\\"" +
                            scratch / "c/" + kGreek + "\\\" --shift"),
              std::string::npos)
        << scan.out;
}

TEST(WindowsNames, PathsOfMoreThan300And1000Characters)
{
    harness::Scratch scratch;
    const std::string part(50, 'p');
    std::string over300, over1000;
    for (int i = 0; i < 7; ++i)
        over300 += (i ? "/" : "") + part + std::to_string(i);
    for (int i = 0; i < 21; ++i)
        over1000 += (i ? "/" : "") + part + kGreek + std::to_string(i);
    ASSERT_GT((scratch / "c/" + over300).size(), 300u);
    ASSERT_GT((scratch / "c/" + over1000).size(), 1000u);
    harness::WritePairs(scratch / "o", scratch / "c",
                        {{over300 + "/f300", 3, kT, kHour}, {over1000 + "/f1000", 3, kT, -kHour}});
    const auto fix = harness::Run({"fix", scratch / "o", scratch / "c", "--shift", "1h", "--json"});
    ASSERT_EQ(fix.status, 0) << fix.err;
    EXPECT_NE(fix.out.find("\"touched\":2,"), std::string::npos) << fix.out;
    EXPECT_EQ(harness::ModifiedNanos(scratch / "c/" + over300 + "/f300"), kT);
    EXPECT_EQ(harness::ModifiedNanos(scratch / "c/" + over1000 + "/f1000"), kT);

    // The folders themselves named by paths of more than 1,000 characters,
    // once in the plain form and once with "\\?\" given.
    harness::WritePairs(scratch / "o", scratch / "c", {{over1000 + "/f1000", 3, kT, kHour}});
    const std::string originals = scratch / "o/" + over1000;
    std::string copies = "\\\\?\\" + scratch / "c/" + over1000;
    for (char& c : copies)
        if (c == '/')
            c = '\\';
    const auto deep = harness::Run({"fix", originals, copies, "--shift", "1h", "--json"});
    ASSERT_EQ(deep.status, 0) << deep.err;
    EXPECT_NE(deep.out.find("\"touched\":1,"), std::string::npos) << deep.out;
    EXPECT_EQ(harness::ModifiedNanos(scratch / "c/" + over1000 + "/f1000"), kT);
}
