// Test entry for the Windows-side tests. Wine passes the Linux TZ (a zone
// name the C runtime cannot read) into the Windows environment: drop it so
// that localtime uses the system's zone, as on Windows.
#include <cstdlib>
#include <ctime>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    _putenv("TZ=");
    _tzset();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
