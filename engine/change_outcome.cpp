#include "engine/change_outcome.h"

#include "engine/instant.h"

namespace engine {

void TellOutcome(fsys::SetResult result, const fsys::Facts& after, const fsys::Failure& failure,
                 const std::function<int64_t()>& granularity, const char* when, FileEvent& event)
{
    switch (result) {
    case fsys::SetResult::Set: {
        event.readBack = after.modified;
        int64_t off = Difference(after.modified, event.set);
        off = off < 0 ? -off : off;
        if (off > granularity()) {
            event.kind = EventKind::NotKept;
            event.reason = "the file system kept another time than the one set";
        } else {
            event.kind = EventKind::Touched;
        }
        break;
    }
    case fsys::SetResult::Changed:
        event.kind = EventKind::Changed;
        event.reason = failure.reason.empty() ? std::string("changed ") + when
                                              : std::string("gone ") + when + ": " + failure.reason;
        break;
    case fsys::SetResult::Failed:
        event.kind = EventKind::Failed;
        event.reason = "setting the time: " + failure.reason;
        break;
    }
}

}  // namespace engine
