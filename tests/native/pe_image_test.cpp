// The 32-bit product, checked on every machine from its files' headers, also
// where no 32-bit program can run: both programs are i386 PE32 images, the
// window a GUI one and large-address aware, the command line a console one,
// and both static, importing only Windows' own libraries.
#include "pe_image.h"

#include <algorithm>
#include <cctype>
#include <set>

#include <gtest/gtest.h>

namespace {

#ifdef KELVORA_WIN32_BUILD
const std::string kBuild = KELVORA_WIN32_BUILD;
#else
const std::string kBuild;
#endif

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The libraries every Windows has; the compiler's own (libstdc++-6.dll,
// libgcc_s_dw2-1.dll, libwinpthread-1.dll) are not among them.
bool IsSystemLibrary(const std::string& name)
{
    static const std::set<std::string> system = {
        "kernel32.dll", "user32.dll",   "gdi32.dll",   "comctl32.dll", "shell32.dll", "ole32.dll",
        "ntdll.dll",    "advapi32.dll", "msvcrt.dll",  "comdlg32.dll", "shlwapi.dll", "psapi.dll",
        "oleaut32.dll", "uuid.dll",     "version.dll", "ws2_32.dll"};
    return system.count(Lower(name)) != 0 || Lower(name).rfind("api-ms-win-", 0) == 0;
}

PeImage Image(const std::string& name)
{
    if (kBuild.empty())
        throw std::runtime_error("no 32-bit build folder was configured");
    const auto image = ReadPeImage(kBuild + "/" + name);
    if (!image)
        throw std::runtime_error(kBuild + "/" + name + " is missing or is not a PE image");
    return *image;
}

void ExpectStaticWithSystemLibrariesOnly(const PeImage& image)
{
    EXPECT_FALSE(image.imports.empty());
    for (const std::string& library : image.imports)
        EXPECT_TRUE(IsSystemLibrary(library)) << library << " is not one of Windows' own libraries";
}

class ProductImage : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (kBuild.empty())
            GTEST_SKIP() << "configured without KELVORA_WIN32_BUILD (scripts/build.sh sets it)";
    }
};

}  // namespace

TEST_F(ProductImage, WindowIsA32BitGuiProgramThatMayUseFourGigabytes)
{
    const PeImage image = Image("Kelvora.exe");
    EXPECT_EQ(image.machine, 0x14C);
    EXPECT_EQ(image.magic, 0x10B);
    EXPECT_EQ(image.subsystem, 2);
    EXPECT_NE(image.characteristics & 0x20, 0) << "not large-address aware";
    ExpectStaticWithSystemLibrariesOnly(image);
}

TEST_F(ProductImage, CommandLineIsA32BitConsoleProgram)
{
    const PeImage image = Image("kelvora-cli.exe");
    EXPECT_EQ(image.machine, 0x14C);
    EXPECT_EQ(image.magic, 0x10B);
    EXPECT_EQ(image.subsystem, 3);
    ExpectStaticWithSystemLibrariesOnly(image);
}
