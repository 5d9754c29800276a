// Waiting on a condition with a deadline: the one polling loop of the tests
// and the driver.
#pragma once

#include <windows.h>

// How often a condition is looked at.
const int kPollIntervalMs = 20;

// Looks at `condition` every kPollIntervalMs until it holds (true) or
// `timeoutMs` has passed (false). The condition is always looked at once
// more after the deadline, so a slow first look cannot make it fail.
template <typename Condition>
bool WaitUntil(Condition condition, int timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start >= static_cast<DWORD>(timeoutMs))
            return condition();
        Sleep(kPollIntervalMs);
    }
}
