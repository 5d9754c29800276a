// scan: the counts, the most common differences and the suggested command,
// as text and as JSON Lines; nothing changed.
#include <cctype>

#include <gtest/gtest.h>

#include "harness.h"

namespace {

using harness::kS;
constexpr int64_t kHour = 3600 * kS;
const int64_t kT = 1262304000 * kS;

void MakeDriftedTrees(const std::string& originals, const std::string& copies)
{
    std::vector<harness::Pair> pairs;
    for (int i = 0; i < 30; ++i)
        pairs.push_back({"a/later" + std::to_string(i), 4, kT + i * kS, kHour + (i % 3 == 1 ? kS / 4 : i % 3 == 2 ? -2 * kS / 5 : 0)});
    for (int i = 0; i < 5; ++i)
        pairs.push_back({"b/earlier" + std::to_string(i), 4, kT, -kHour});
    for (int i = 0; i < 4; ++i)
        pairs.push_back({"c/two" + std::to_string(i), 4, kT, 2 * kS});
    for (int i = 0; i < 3; ++i)
        pairs.push_back({"c/equal" + std::to_string(i), 4, kT, 0});
    pairs.push_back({"c/bigger", 4, kT, kHour, 5});
    harness::WritePairs(originals, copies, pairs);
    harness::WriteFile(originals + "/lost", 1, kT);
    harness::WriteFile(copies + "/stray", 1, kT);
}

// The number at the end of the line that starts with `label` and blanks.
long CountOf(const std::string& text, const std::string& label)
{
    for (const std::string& line : harness::Lines(text)) {
        if (line.rfind(label, 0) != 0)
            continue;
        const size_t at = line.find_first_not_of(' ', label.size());
        if (at != std::string::npos && at > label.size() && std::isdigit(static_cast<unsigned char>(line[at])))
            return std::stol(line.substr(at));
    }
    return -1;
}

}  // namespace

TEST(Scan, CountsHistogramAndSuggestion)
{
    harness::Scratch scratch;
    MakeDriftedTrees(scratch / "o", scratch / "c");
    const auto before = harness::Take(scratch.path());
    const auto text = harness::Run({"scan", scratch / "o", scratch / "c", "--top", "2"});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_TRUE(harness::Differences(before, harness::Take(scratch.path())).empty());
    const std::pair<const char*, long> counts[] = {
        {"Originals", 44}, {"Copies found", 43}, {"  same size", 42}, {"    equal times", 3},
        {"  other size", 1}, {"Missing copies", 1}, {"Copies without an original", 1}};
    for (const auto& [label, count] : counts)
        EXPECT_EQ(CountOf(text.out, label), count) << label << "\n" << text.out;
    // Differences rounded to the second: +1h (30, among them +1h0.25s and
    // +59m59.6s), then -1h (5); the third (+2s, 4) is beyond --top 2.
    const auto later = text.out.find("+1h         30  ########################################");
    const auto earlier = text.out.find("-1h          5  #######\n");
    EXPECT_NE(later, std::string::npos) << text.out;
    EXPECT_NE(earlier, std::string::npos) << text.out;
    EXPECT_LT(later, earlier);
    EXPECT_EQ(text.out.find("+2s"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("kelvora-cli fix " + scratch / "o" + " " + scratch / "c" + " --shift 1h --dry-run"),
              std::string::npos)
        << text.out;

    const auto json = harness::Run({"scan", scratch / "o", scratch / "c", "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    const auto lines = harness::Lines(json.out);
    ASSERT_EQ(lines.size(), 4u) << json.out;
    EXPECT_EQ(lines[0], "{\"event\":\"difference\",\"seconds\":3600,\"text\":\"+1h\",\"count\":30}");
    EXPECT_EQ(lines[1], "{\"event\":\"difference\",\"seconds\":-3600,\"text\":\"-1h\",\"count\":5}");
    EXPECT_EQ(lines[2], "{\"event\":\"difference\",\"seconds\":2,\"text\":\"+2s\",\"count\":4}");
    EXPECT_EQ(lines[3].rfind("{\"event\":\"summary\",\"command\":\"scan\",\"originals\":44,\"pairs\":43,"
                             "\"same_size\":42,\"equal_times\":3,\"other_size\":1,\"missing\":1,"
                             "\"without_original\":1,\"matched\":0,",
                             0),
              0u)
        << lines[3];
    EXPECT_NE(lines[3].find("\"suggested\":\"kelvora-cli fix"), std::string::npos) << lines[3];
}

TEST(Scan, WithoutADominantDifferenceContentsAreToBeCompared)
{
    harness::Scratch scratch;
    harness::WritePairs(scratch / "o", scratch / "c", {{"d", 1, kT, 0}, {"e", 1, kT, kS}});
    const auto none = harness::Run({"scan", scratch / "o", scratch / "c"});
    ASSERT_EQ(none.status, 0) << none.err;
    EXPECT_EQ(none.out.find("kelvora-cli fix"), std::string::npos) << none.out;  // nothing beyond 2 s
    harness::WritePairs(scratch / "o", scratch / "c", {{"a", 1, kT, kHour}, {"b", 1, kT, 2 * kHour}, {"c", 1, kT, 3 * kHour}});
    const auto text = harness::Run({"scan", scratch / "o", scratch / "c"});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("--shift any --verify --dry-run"), std::string::npos) << text.out;
    // Only later copies: the suggestion is signed.
    harness::WritePairs(scratch / "o", scratch / "c", {{"b", 1, kT, kHour}, {"c", 1, kT, kHour}});
    const auto signed_ = harness::Run({"scan", scratch / "o", scratch / "c"});
    EXPECT_NE(signed_.out.find("--shift +1h --dry-run"), std::string::npos) << signed_.out;
}
