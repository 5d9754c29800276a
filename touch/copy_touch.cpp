#include "touch/copy_touch.h"

#include "touch/file_time.h"

namespace {

// Whether the open file is still the one that matched.
bool SameAsMatched(HANDLE file, const FileFacts& expected, const TouchedFiles& touched, FileIdentity& identity)
{
    FileFacts now;
    if (!FactsOfHandle(file, now))
        return false;
    identity = now.identity;
    return now.size == expected.size && now.writeTicks == expected.writeTicks && touched.count(now.identity) == 0;
}

}  // namespace

CopyTouch TouchMatchingCopy(const std::wstring& path, const FileFacts& expected, int64_t seconds,
                            TouchedFiles& touched)
{
    CopyTouch touch;
    HANDLE file = OpenReadableForTouch(path);
    if (file == INVALID_HANDLE_VALUE) {
        // Not both at once: ask each question on its own.
        if (!IsReadable(path))
            return touch;
        file = OpenForTouch(path);
        if (file == INVALID_HANDLE_VALUE) {
            touch.outcome = CopyOutcome::Failed;
            touch.result = TOUCH_CANNOT_OPEN;
            return touch;
        }
    }
    FileIdentity identity;
    if (!SameAsMatched(file, expected, touched, identity)) {
        CloseHandle(file);
        touch.outcome = CopyOutcome::NotTheSameFile;
        return touch;
    }
    touch.result = SetLastWriteInstant(file, seconds);
    if (touch.result > 0) {
        touch.outcome = CopyOutcome::Touched;
        touched.insert(identity);
        FileFacts after;
        if (FactsOfHandle(file, after) || FactsOfPath(path, after))
            touch.writeTicks = after.writeTicks;
    } else {
        touch.outcome = CopyOutcome::Failed;
    }
    CloseHandle(file);
    return touch;
}
