// Kelvora.exe holds both trees in memory in a 32-bit process: it is linked
// to use the whole address space a 64-bit Windows gives it.
#include <windows.h>

#include <fstream>
#include <vector>

#include <gtest/gtest.h>

#include "driver/driver.h"

TEST(KelvoraImage, IsLargeAddressAware)
{
#ifdef _WIN64
    GTEST_SKIP() << "a 64-bit build, made where no 32-bit program runs, has the whole address space "
                    "anyway; the 32-bit product's flag is checked from its file by the native tests";
#endif
    std::ifstream image(driver::KelvoraPath(), std::ios::binary);
    ASSERT_TRUE(image) << driver::KelvoraPath();
    std::vector<char> bytes((std::istreambuf_iterator<char>(image)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), sizeof(IMAGE_DOS_HEADER));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(bytes.data());
    ASSERT_EQ(dos->e_magic, IMAGE_DOS_SIGNATURE);
    ASSERT_LT(static_cast<size_t>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS32), bytes.size());
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(bytes.data() + dos->e_lfanew);
    ASSERT_EQ(nt->Signature, IMAGE_NT_SIGNATURE);
    EXPECT_EQ(nt->FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_NE(nt->FileHeader.Characteristics & IMAGE_FILE_LARGE_ADDRESS_AWARE, 0);
}
