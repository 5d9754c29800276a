// The mtree reader and writer on their own: what the real tools write is
// read, every hostile manifest is refused naming its line, names of any bytes
// come back unchanged; and SHA-256 against the standard's vectors.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/manifest_stream.h"
#include "engine/mtree_reader.h"
#include "engine/mtree_writer.h"
#include "engine/sha256.h"

namespace {

struct Read {
    bool ok = false;
    std::string error;
    std::vector<engine::MtreeEntry> entries;
};

Read ReadText(const std::string& text, size_t piece = 0)
{
    Read read;
    engine::MtreeReader reader([&read](engine::MtreeEntry&& entry, std::string&) {
        read.entries.push_back(std::move(entry));
        return true;
    });
    bool ok = true;
    if (piece == 0) {
        ok = reader.Feed(text.data(), text.size(), read.error);
    } else {
        for (size_t at = 0; ok && at < text.size(); at += piece)
            ok = reader.Feed(text.data() + at, std::min(piece, text.size() - at), read.error);
    }
    read.ok = ok && reader.Finish(read.error);
    return read;
}

std::string Sha(const std::string& bytes)
{
    engine::Sha256 sha;
    sha.Update(bytes.data(), bytes.size());
    return engine::Hex(sha.Finish());
}

}  // namespace

TEST(Sha256, StandardVectorsAndAnySplit)
{
    EXPECT_EQ(Sha(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    const std::string million(1000000, 'a');
    EXPECT_EQ(Sha(million), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    // Lengths around the block and padding edges, fed in uneven pieces.
    for (size_t length : {55u, 56u, 63u, 64u, 65u, 119u, 120u, 1000u}) {
        std::string bytes;
        for (size_t i = 0; i < length; ++i)
            bytes += static_cast<char>(i * 7 + 3);
        for (size_t piece : {1u, 3u, 17u, 64u}) {
            engine::Sha256 sha;
            for (size_t at = 0; at < length; at += piece)
                sha.Update(bytes.data() + at, std::min(piece, length - at));
            EXPECT_EQ(engine::Hex(sha.Finish()), Sha(bytes)) << length << " by " << piece;
        }
    }
}

TEST(MtreeReader, ReadsTheFlatFormsOfTheTools)
{
    // As bsdtar writes it: nanoseconds without their leading zeros.
    const std::string bsdtar =
        "#mtree\n"
        ". time=1796810384.289981503 type=dir\n"
        "./a\\040b time=1577836800.5 type=file size=3 "
        "sha256digest=ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad\n"
        "./sub time=1796810384.289981503 type=dir\n"
        "./sub/c\\043\\075\\134 time=1796810384.289981503 type=file size=1\n";
    const Read read = ReadText(bsdtar);
    ASSERT_TRUE(read.ok) << read.error;
    ASSERT_EQ(read.entries.size(), 4u);
    EXPECT_EQ(read.entries[0].path, "");
    EXPECT_EQ(read.entries[1].path, "a b");
    EXPECT_EQ(read.entries[1].modified.seconds, 1577836800);
    EXPECT_EQ(read.entries[1].modified.nanos, 5);
    EXPECT_TRUE(read.entries[1].hasDigest);
    EXPECT_EQ(engine::Hex(read.entries[1].sha256), Sha("abc"));
    EXPECT_EQ(read.entries[2].kind, fsys::Kind::Folder);
    EXPECT_EQ(read.entries[3].path, "sub/c#=\\");
    EXPECT_EQ(read.entries[3].line, 5u);

    // /set and /unset, comments, blank lines, a continued line, vis escapes.
    const std::string set =
        "# comment\n"
        "\n"
        "/set type=file uid=0 mode=0644 nlink=1 flags=none\n"
        "./x\\sy\\tz size=1 \\\n"
        "    time=10.000000001\n"
        "/unset type\n"
        "./d type=dir\n"
        "./d/\\M-C\\M-) type=file size=2 time=-5.5 optional\r\n";
    const Read more = ReadText(set, 3);
    ASSERT_TRUE(more.ok) << more.error;
    ASSERT_EQ(more.entries.size(), 3u);
    EXPECT_EQ(more.entries[0].path, "x y\tz");
    EXPECT_EQ(more.entries[0].kind, fsys::Kind::Regular);
    EXPECT_EQ(more.entries[0].line, 4u);
    EXPECT_EQ(more.entries[0].modified.nanos, 1);
    EXPECT_EQ(more.entries[2].path, "d/\xc3\xa9");
    EXPECT_EQ(more.entries[2].modified.seconds, -5);
}

TEST(MtreeReader, RefusesWhatCannotBeTrustedNamingTheLine)
{
    const std::string ok = "#mtree\n./fine type=file size=1 time=1.0\n";
    const struct {
        std::string text;
        std::string expected;  // in the message, after "line N: "
    } cases[] = {
        {ok + "./../etc/passwd type=file size=1 time=1.0\n", "line 3: path"},
        {ok + "./a/../../b type=file size=1 time=1.0\n", "climbs out"},
        {ok + "/etc/passwd type=file size=1 time=1.0\n", "line 3: absolute path"},
        {ok + ".//a type=file size=1 time=1.0\n", "line 3: path"},
        {ok + std::string("./a\0b type=file\n", 16), "line 3: a NUL byte"},
        {ok + "./a\\000b type=file size=1 time=1.0\n", "line 3: a NUL byte in the path"},
        {ok + "./a type=file size=1 time=1.0 colour=red\n", "line 3: unknown keyword \"colour\""},
        {ok + "./a type=file size=1 time=1.0 size\n", "line 3: keyword \"size\" without a value"},
        {ok + "./a type=file size=-1 time=1.0\n", "line 3: size"},
        {ok + "./a type=file size=99999999999999999999 time=1.0\n", "out of range"},
        {ok + "./a type=file size=1 time=999999999999999.0\n", "line 3: time"},
        {ok + "./a type=file size=1 time=1.1000000000\n", "nanoseconds"},
        {ok + "./a type=file size=1 time=1e5\n", "SECONDS.NANOSECONDS"},
        {ok + "./a type=door size=1 time=1.0\n", "line 3: type"},
        {ok + "./a type=file sha256digest=abc\n", "64 hexadecimal"},
        {ok + "./a size=1 time=1.0\n", "line 3: no type"},
        {ok + "./a\\q type=file\n", "line 3: malformed escape"},
        {ok + "./a type=file size=1 time=1.0", "line 3: cut short"},
        {ok + "./a type=file size=1 \\\n", "line 3: cut short"},
        {ok + "./a type=file " + std::string(2 << 20, 'x') + "\n", "line 3: longer than"},
        {ok + "/set type=file colour=red\n", "line 3: unknown keyword"},
        {ok + "/unset colour\n", "line 3: unknown keyword"},
        {". type=dir\nsub type=dir\n    f size=1 time=1.0\n..\n", "line 2: \"sub\" is a bare name: this is the hierarchical form"},
        {ok + "..\n", "line 3: \"..\": this is the hierarchical form"},
        {". type=file size=1 time=1.0\n", "line 1: \".\", the top, is not a folder"},
    };
    for (const auto& c : cases) {
        const Read read = ReadText(c.text);
        EXPECT_FALSE(read.ok) << c.text.substr(0, 120);
        EXPECT_NE(read.error.find(c.expected), std::string::npos)
            << "expected \"" << c.expected << "\" in \"" << read.error.substr(0, 300) << "\"";
        EXPECT_EQ(read.error.rfind("line ", 0), 0u) << read.error.substr(0, 300);
    }
}

TEST(MtreeWriter, EveryByteOfANameComesBack)
{
    std::string all;
    for (int c = 1; c < 256; ++c)
        if (c != '/')
            all += static_cast<char>(c);
    const std::vector<std::string> paths = {"plain", "with space", "new\nline", "bad\xff\xfe utf8",
                                            "#hash", "a=b", "back\\slash", "glob*?[x", "d/" + all,
                                            "\xe6\x97\xa5\xe6\x9c\xac/\xf0\x9f\x93\xb7.jpg"};
    std::string text = engine::kMtreeSignature + engine::MtreeFolderLine("");
    const std::array<uint8_t, 32> digest{1, 2, 3};
    for (size_t i = 0; i < paths.size(); ++i)
        text += engine::MtreeFileLine(paths[i], i * 1000, {1500000000 + int64_t(i), int32_t(i * 7)},
                                      i % 2 ? &digest : nullptr);
    // One entry per line, whatever the names hold.
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), int(paths.size() + 2));
    const Read read = ReadText(text);
    ASSERT_TRUE(read.ok) << read.error;
    ASSERT_EQ(read.entries.size(), paths.size() + 1);
    for (size_t i = 0; i < paths.size(); ++i) {
        const engine::MtreeEntry& entry = read.entries[i + 1];
        EXPECT_EQ(entry.path, paths[i]);
        EXPECT_EQ(entry.size, i * 1000);
        EXPECT_EQ(entry.modified.seconds, 1500000000 + int64_t(i));
        EXPECT_EQ(entry.modified.nanos, int32_t(i * 7));
        EXPECT_EQ(entry.hasDigest, i % 2 == 1);
        EXPECT_EQ(entry.line, i + 3);
    }
}

TEST(WalkOrder, TheWalksOrderIsKnownAndOthersAreNot)
{
    EXPECT_TRUE(engine::WalkBefore("", "a"));
    EXPECT_TRUE(engine::WalkBefore("z", "a/b"));        // by depth first
    EXPECT_TRUE(engine::WalkBefore("a/b", "a-x/c"));    // then name by name
    EXPECT_TRUE(engine::WalkBefore("a/b", "a/c"));
    EXPECT_FALSE(engine::WalkBefore("a/c", "a/b"));
    EXPECT_FALSE(engine::WalkBefore("a", "a"));
    EXPECT_TRUE(engine::WalkBefore("a", "\xc3\xa9"));    // bytes as unsigned

    auto kept = [](const std::string& text) {
        engine::WalkOrder order;
        std::string error;
        EXPECT_TRUE(engine::ReadMtree(
            text, [&order](engine::MtreeEntry&& entry, std::string&) { order.Add(entry); return true; }, error))
            << error;
        return order.kept();
    };
    const std::string top = "#mtree\n. type=dir\n";
    const std::string file = " type=file size=1 time=1.0\n";
    EXPECT_TRUE(kept(top + "./a" + file + "./a-x type=dir\n./b type=dir\n./e type=dir\n./a-x/c" + file +
                     "./b/d type=dir\n./b/d/f" + file));
    EXPECT_FALSE(kept(top + "./b" + file + "./a" + file));                          // names not sorted
    EXPECT_FALSE(kept(top + "./a" + file + "./a" + file));                          // a duplicate
    EXPECT_FALSE(kept(top + "./b type=dir\n./b/x" + file + "./c" + file));          // depth-first
    EXPECT_FALSE(kept(top + "./b/x" + file));                                       // a folder never named
    EXPECT_FALSE(kept(top + "./a type=dir\n./b type=dir\n./b/x" + file + "./a/y" + file));  // folders out of order
}
