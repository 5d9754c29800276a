// What one change of a copy's time came to, told in its event: made
// (Touched, or NotKept where the time read back is further from the time set
// than the file system's granularity), left alone (Changed) or refused
// (Failed), with the reason and the time read back.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/repair.h"
#include "fsys/fsys.h"

namespace engine {

// `granularity` is asked only for a time that was set; `when` ends the
// reason of a copy that changed or went ("since it was listed").
void TellOutcome(fsys::SetResult result, const fsys::Facts& after, const fsys::Failure& failure,
                 const std::function<int64_t()>& granularity, const char* when, FileEvent& event);

}  // namespace engine
