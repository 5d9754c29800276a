// What the journal writer puts in a file reads back whole through the
// journal reader, whatever the paths and instants.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/journal_file.h"
#include "engine/journal_reader.h"
#include "engine/journal_writer.h"
#include "harness.h"

TEST(JournalWriter, EveryPathAndInstantReadsBackExactly)
{
    harness::Scratch scratch;
    engine::JournalHeader header;
    header.program = "kelvora-cli test";
    header.command = "fix";
    header.arguments = {"kelvora-cli", "fix"};
    header.originals = "/o";
    header.copies = "/c";
    header.started = {1767323045, 5};
    header.copiesDevice = 2049;
    header.copiesObject = UINT64_MAX;
    header.copiesVolume = "fat:1234abcd";
    header.stableObjects = false;
    const std::string file = scratch / "run.jsonl";
    engine::JournalWriter writer;
    std::string error;
    ASSERT_TRUE(writer.Open(file, header, error)) << error;

    // Short plain paths, and every kind the plain form must leave to the general one.
    const std::vector<std::string> paths = {"d/f",
                                            "a b/c-d_e.txt",
                                            "quote\"and\\backslash",
                                            "tab\tand\x01control",
                                            "\xce\xa9\xce\xbc\xce\xad\xce\xb3\xce\xb1/x",
                                            "not utf-8 \xff\xfe",
                                            std::string(159, 'p'),
                                            std::string(160, 'q'),
                                            std::string(161, 'r') + "/" + std::string(300, 's'),
                                            // deeper than the reader takes a line: left alone
                                            std::string(engine::kMaxJournalLine, 'x'),
                                            "after/the/long/one"};
    // The whole range of instants, its first and last seconds included.
    const std::vector<fsys::Instant> instants = {{1262304000, 999999999}, {0, 0}, {-1, 1},
                                                 {INT64_MAX, 999999999},  {INT64_MIN, 0}, {-62167219201, 0}};
    std::vector<engine::FileEvent> planned;
    for (size_t i = 0; i < paths.size(); ++i) {
        engine::FileEvent event;
        event.path = paths[i];
        event.size = i == 3 ? UINT64_MAX : i * 1000003ULL;
        event.object = i == 2 ? UINT64_MAX : i * 77;
        event.before = instants[i % instants.size()];
        event.set = instants[(i + 2) % instants.size()];
        planned.push_back(event);
    }
    // In two batches, the marks of the first held until the second.
    std::vector<engine::FileEvent> first(planned.begin(), planned.begin() + 4);
    std::vector<engine::FileEvent> second(planned.begin() + 4, planned.end());
    ASSERT_TRUE(writer.WriteIntents(first, error) && writer.Sync(error)) << error;
    for (engine::FileEvent& event : first) {
        event.kind = engine::EventKind::Touched;
        event.readBack = event.serial % 2 ? event.set : fsys::Instant{event.set.seconds / 2, 0};
        writer.Mark(event);
    }
    ASSERT_TRUE(writer.WriteIntents(second, error) && writer.Sync(error)) << error;
    ASSERT_TRUE(writer.End({{"touched", 4}}, {1767323046, 0}, error)) << error;

    std::string bytes;
    ASSERT_TRUE(engine::ReadWholeFile(file, bytes, error)) << error;
    engine::Journal journal;
    ASSERT_TRUE(engine::ParseJournal(bytes, journal, error)) << error << "\n" << bytes.substr(0, 3000);
    EXPECT_TRUE(journal.ended);
    EXPECT_TRUE(journal.header.identified);
    EXPECT_EQ(journal.header.copiesDevice, 2049u);
    EXPECT_EQ(journal.header.copiesObject, UINT64_MAX);
    EXPECT_EQ(journal.header.copiesVolume, "fat:1234abcd");
    EXPECT_FALSE(journal.header.stableObjects);
    ASSERT_TRUE(journal.end.counted);
    EXPECT_EQ(journal.end.intents, paths.size() - 1);
    EXPECT_EQ(journal.end.made, 4u);
    // The path too deep for a line: refused before any change, not numbered.
    const size_t tooLong = paths.size() - 2;
    EXPECT_EQ(second[tooLong - first.size()].kind, engine::EventKind::Failed);
    EXPECT_EQ(second[tooLong - first.size()].serial, 0u);
    EXPECT_NE(second[tooLong - first.size()].reason.find("too long for the journal"), std::string::npos);
    ASSERT_EQ(journal.entries.size(), paths.size() - 1);
    for (size_t k = 0; k < journal.entries.size(); ++k) {
        const engine::JournalEntry& entry = journal.entries[k];
        const size_t i = k < tooLong ? k : k + 1;
        EXPECT_EQ(entry.serial, k + 1);
        EXPECT_EQ(entry.path, paths[i]) << i;
        EXPECT_EQ(entry.size, planned[i].size) << i;
        EXPECT_EQ(entry.object, planned[i].object) << i;
        EXPECT_EQ(entry.before, planned[i].before) << i;
        EXPECT_EQ(entry.set, planned[i].set) << i;
        if (i < first.size()) {
            EXPECT_EQ(entry.mark, engine::Mark::Done) << i;
            EXPECT_EQ(entry.kept, first[i].readBack) << i;
        } else {
            EXPECT_EQ(entry.mark, engine::Mark::None) << i;
        }
    }
}

TEST(JournalWriter, IntentsFlushedFromSeveralThreadsAtOnceAllReadBack)
{
    // The walking threads each write their batch's intents (one at a time,
    // as the run's observer does) and flush them at once: the first flush
    // of a new journal also flushes its folder, once, whichever thread it is.
    constexpr int kThreads = 8, kBatches = 4, kEach = 50;
    for (int round = 0; round < 5; ++round) {
        harness::Scratch scratch;
        engine::JournalHeader header;
        header.program = "kelvora-cli test";
        header.command = "fix";
        header.originals = "/o";
        header.copies = "/c";
        const std::string file = scratch / "run.jsonl";
        engine::JournalWriter writer;
        std::string error;
        ASSERT_TRUE(writer.Open(file, header, error)) << error;
        std::mutex lock;
        std::atomic<int> failures{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([&, t] {
                for (int b = 0; b < kBatches; ++b) {
                    std::vector<engine::FileEvent> planned(kEach);
                    for (int i = 0; i < kEach; ++i) {
                        planned[i].path = "t" + std::to_string(t) + "/b" + std::to_string(b) + "/" + std::to_string(i);
                        planned[i].set = {1262304000 + i, 0};
                    }
                    std::string failure;
                    bool written;
                    {
                        std::lock_guard<std::mutex> hold(lock);
                        written = writer.WriteIntents(planned, failure);
                    }
                    if (!written || !writer.Sync(failure))
                        ++failures;
                }
            });
        for (std::thread& thread : threads)
            thread.join();
        EXPECT_EQ(failures.load(), 0);
        ASSERT_TRUE(writer.End({{"touched", 0}}, {1767323046, 0}, error)) << error;
        std::string bytes;
        ASSERT_TRUE(engine::ReadWholeFile(file, bytes, error)) << error;
        engine::Journal journal;
        ASSERT_TRUE(engine::ParseJournal(bytes, journal, error)) << error;
        EXPECT_EQ(journal.entries.size(), size_t(kThreads * kBatches * kEach));
    }
}
