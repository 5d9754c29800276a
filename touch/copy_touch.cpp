#include "touch/copy_touch.h"

#include "touch/file_time.h"

namespace {

// A handle closed however the touch ends.
struct HeldFile {
    HANDLE handle;
    explicit HeldFile(HANDLE opened) : handle(opened) {}
    ~HeldFile()
    {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
};

// Whether the open file is still the one that matched; `now` receives its
// facts.
bool SameAsMatched(HANDLE file, uint32_t volume, const FileFacts& expected, const TouchedFiles& touched,
                   FileFacts& now)
{
    if (!FactsOfHandle(file, volume, now))
        return false;
    return now.size == expected.size && now.writeTicks == expected.writeTicks && touched.count(now.identity) == 0;
}

}  // namespace

CopyTouch TouchMatchingCopy(const std::wstring& path, uint32_t volume, const FileFacts& expected, int64_t seconds,
                            TouchedFiles& touched)
{
    CopyTouch touch;
    HeldFile file(OpenReadableForTouch(path));
    if (file.handle == INVALID_HANDLE_VALUE) {
        // Not both at once: ask each question on its own.
        if (!IsReadable(path))
            return touch;
        file.handle = OpenForTouch(path);
        if (file.handle == INVALID_HANDLE_VALUE) {
            touch.outcome = CopyOutcome::Failed;
            touch.result = TOUCH_CANNOT_OPEN;
            return touch;
        }
    }
    FileFacts now;
    if (!SameAsMatched(file.handle, volume, expected, touched, now)) {
        touch.outcome = CopyOutcome::NotTheSameFile;
        return touch;
    }
    touch.result = SetLastWriteInstant(file.handle, seconds, now.creationTicks);
    if (touch.result <= 0) {
        touch.outcome = CopyOutcome::Failed;
        return touch;
    }
    touch.outcome = CopyOutcome::Touched;
    FileFacts after;
    if (!WriteTicksOfHandle(file.handle, touch.writeTicks) && FactsOfPath(path, after))
        touch.writeTicks = after.writeTicks;
    touched.insert(now.identity);
    return touch;
}
