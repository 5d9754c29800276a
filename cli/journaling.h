// The journal in the front end: an observer that writes each batch of
// changes to the journal before the engine makes them and marks each change
// after, and the making of a run's journal where the user asked for it.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "cli/options.h"
#include "engine/journal_writer.h"
#include "engine/repair.h"

namespace cli {

// BeforeChanges writes the intents under the journal's lock and waits for
// the disk outside it, so that a walking thread flushing its batch does not
// hold up the events of the others.
class JournalObserver : public engine::Observer {
public:
    JournalObserver(engine::Observer& inner, engine::JournalWriter& writer);
    bool BeforeChanges(std::vector<engine::FileEvent>& planned, std::string& reason) override;
    void OnEvent(const engine::FileEvent& event) override;

private:
    engine::Observer& inner_;
    engine::JournalWriter& writer_;
    std::mutex mutex_;     // for the writer and the fields below
    std::string failure_;  // the journal could not be written: no more changes
    // For the tests of a run killed part way: KELVORA_TEST_KILL_AFTER=N ends
    // the process with SIGKILL after the Nth change is made and before its
    // mark (0: after the first intents are on the disk, before any change).
    long killAfter_ = -1;
    long made_ = 0;
};

// The header of a run of `command`: the originals' path, and the copies
// folder as it was opened (its path and identity read from the open handle,
// so that the journal names the folder changed even if a link on the way
// was changed since).
// `copiesGiven`, made absolute, stands for the path where the system tells none.
bool MakeHeader(const Options& options, const std::string& command, const std::string& originals,
                const fsys::Folder& copies, const std::string& copiesGiven, engine::JournalHeader& header,
                std::string& error);

// The absolute path of a folder opened from `given`, as the system tells it
// from the open handle (`given` made absolute where it tells none).
bool OpenedPath(const fsys::Folder& folder, const std::string& given, std::string& path, std::string& error);

// Opens the journal of a run: FILE when `file` is not empty, else a new one
// in the default folder.
bool OpenRunJournal(const std::string& file, const engine::JournalHeader& header,
                    engine::JournalWriter& writer, std::string& error);

}  // namespace cli
