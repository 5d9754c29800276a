// Copies whose time was not kept, as the end of a run tells them: one
// message when they all read back one offset, their lines otherwise.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

#include <gtest/gtest.h>

#include "cli/observer.h"

namespace {

// What `body` writes on stderr.
std::string Stderr(const std::function<void()>& body)
{
    std::fflush(stderr);
    char path[] = "/tmp/kelvora-stderr-XXXXXX";
    const int file = mkstemp(path);
    EXPECT_GE(file, 0);
    const int saved = dup(STDERR_FILENO);
    dup2(file, STDERR_FILENO);
    body();
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    std::string text;
    char buffer[4096];
    ssize_t got;
    lseek(file, 0, SEEK_SET);
    while ((got = read(file, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<size_t>(got));
    close(file);
    unlink(path);
    return text;
}

engine::FileEvent NotKept(const std::string& path, int64_t set, int64_t readBack)
{
    engine::FileEvent event;
    event.kind = engine::EventKind::NotKept;
    event.path = path;
    event.paired = true;
    event.set = {set, 0};
    event.readBack = {readBack, 0};
    return event;
}

size_t Count(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

std::string Told(const std::vector<engine::FileEvent>& events)
{
    cli::Outputs outputs;
    outputs.copiesRoot = "/copies";
    outputs.utc = true;
    cli::CliObserver observer(outputs);
    return Stderr([&] {
        for (const engine::FileEvent& event : events)
            observer.OnEvent(event);
        observer.Finish();
    });
}

}  // namespace

TEST(NotKept, OneOffsetIsSaidOnceWithItsCauseOtherwiseLineByLine)
{
    const int64_t t = 1277985600;  // 2010-07-01T12:00:00Z
    std::vector<engine::FileEvent> zone, minutes, mixed;
    for (int i = 0; i < 1381; ++i)
        zone.push_back(NotKept("f" + std::to_string(i), t + 2 * i, t + 2 * i - 3600 + (i % 2)));
    for (int i = 0; i < 3; ++i)
        minutes.push_back(NotKept("m" + std::to_string(i), t, t + 7 * 60));
    for (int i = 0; i < 12; ++i)
        mixed.push_back(NotKept("x" + std::to_string(i), t, t + (i % 2 ? 3600 : 7)));

    const std::string once = Told(zone);
    EXPECT_EQ(Count(once, "kelvora-cli: "), 1u) << once;
    EXPECT_NE(once.find("the time of 1,381 copies was not kept: each reads back 1h earlier than the time set\n"
                        "  (/copies/f0: set 2010-07-01 12:00:00Z, read back 2010-07-01 11:00:00Z)"),
              std::string::npos)
        << once;
    EXPECT_NE(once.find("converts times with a time zone, as FAT does"), std::string::npos) << once;
    EXPECT_NE(once.find("rsync --modify-window=3600"), std::string::npos) << once;

    // An offset no zone has: said once, without that cause.
    const std::string odd = Told(minutes);
    EXPECT_NE(odd.find("the time of 3 copies was not kept: each reads back 7m later than the time set"),
              std::string::npos)
        << odd;
    EXPECT_EQ(odd.find("time zone"), std::string::npos) << odd;

    // Offsets that differ: the first lines, then how many more.
    const std::string lines = Told(mixed);
    EXPECT_EQ(Count(lines, "kelvora-cli: time not kept: /copies/x"), 10u) << lines;
    EXPECT_NE(lines.find("kelvora-cli: and 2 more copies whose time was not kept"), std::string::npos) << lines;
    const std::string one = Told({mixed.front()});
    EXPECT_EQ(one, "kelvora-cli: time not kept: /copies/x0: set 2010-07-01 12:00:00Z, read back 2010-07-01 12:00:07Z\n");
    EXPECT_EQ(Told({}), "");
}
