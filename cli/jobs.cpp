#include "cli/jobs.h"

#include <algorithm>

namespace cli {

int JobsFor(const Options& options, const fsys::Folder* a, const fsys::Folder* b)
{
    if (options.jobsGiven || options.jobs >= kRemoteJobs)
        return options.jobs;
    for (const fsys::Folder* folder : {a, b})
        if (folder && !fsys::RemoteKind(*folder).empty())
            return kRemoteJobs;
    return options.jobs;
}

}  // namespace cli
