#include "driver/driver.h"

#include <gtest/gtest.h>

TEST(Start, MainWindowComesUpAndClosesWithCodeZero)
{
    driver::Process kelvora;
    ASSERT_TRUE(driver::Start(kelvora, ""));
    ASSERT_TRUE(driver::WaitMainWindow(kelvora));
    driver::PostClose(kelvora);
    EXPECT_EQ(driver::WaitExit(kelvora), 0);
}
