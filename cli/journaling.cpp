#include "cli/journaling.h"

#include <signal.h>

#include <cstdlib>

namespace {

// Ends the process at once, as a power cut or kill -9 would: nothing flushed.
[[noreturn]] void KillSelf()
{
#ifdef SIGKILL
    raise(SIGKILL);
#endif
    std::_Exit(137);
}

}  // namespace

#include "engine/journal_file.h"

namespace cli {

JournalObserver::JournalObserver(engine::Observer& inner, engine::JournalWriter& writer)
    : inner_(inner), writer_(writer)
{
    if (const char* kill = std::getenv("KELVORA_TEST_KILL_AFTER"))
        killAfter_ = std::strtol(kill, nullptr, 10);
}

bool JournalObserver::BeforeChanges(std::vector<engine::FileEvent>& planned, std::string& reason)
{
    std::string failure;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (failure_.empty() && !writer_.WriteIntents(planned, failure_) && failure_.empty())
            failure_ = "the journal could not be written";
        failure = failure_;
    }
    // Whatever another thread writes meanwhile is flushed too; what counts is
    // that these intents are on the disk before any of their changes is made.
    if (failure.empty() && !writer_.Sync(failure)) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (failure_.empty())
            failure_ = failure;
    }
    if (!failure.empty()) {
        reason = "not changed, since the change could not be written to the journal first: " + failure;
        return false;
    }
    if (killAfter_ == 0)
        KillSelf();
    return true;
}

void JournalObserver::OnEvent(const engine::FileEvent& event)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (event.serial && (event.kind == engine::EventKind::Touched || event.kind == engine::EventKind::NotKept) &&
            ++made_ == killAfter_)
            KillSelf();
        writer_.Mark(event);
    }
    inner_.OnEvent(event);
}

bool MakeHeader(const Options& options, const std::string& command, const std::string& originals,
                const fsys::Folder& copies, const std::string& copiesGiven, engine::JournalHeader& header,
                std::string& error)
{
    header.program = options.version;
    header.command = command;
    header.arguments = options.arguments;
    header.started = engine::Now();
    header.originals = originals;
    fsys::FolderIdentity identity;
    fsys::Failure failure;
    if (!fsys::IdentifyFolder(copies, identity, failure)) {
        error = "cannot tell what the copies folder is: " + failure.reason;
        return false;
    }
    if (identity.path.empty() && !engine::AbsolutePath(copiesGiven, identity.path, error))
        return false;
    header.copies = identity.path;
    header.copiesDevice = identity.device;
    header.copiesObject = identity.object;
    header.copiesVolume = identity.volume;
    header.stableObjects = identity.stableObjects;
    header.identified = true;
    return true;
}

bool OpenedPath(const fsys::Folder& folder, const std::string& given, std::string& path, std::string& error)
{
    fsys::FolderIdentity identity;
    fsys::Failure failure;
    if (fsys::IdentifyFolder(folder, identity, failure) && !identity.path.empty()) {
        path = identity.path;
        return true;
    }
    return engine::AbsolutePath(given, path, error);
}

bool OpenRunJournal(const std::string& file, const engine::JournalHeader& header,
                    engine::JournalWriter& writer, std::string& error)
{
    std::string reason;
    bool opened;
    if (!file.empty()) {
        opened = writer.Open(file, header, reason);
    } else {
        std::string folder;
        opened = engine::DefaultJournalFolder(folder, reason) &&
                 engine::OpenJournalIn(folder, header.started, header, writer, reason);
    }
    if (!opened)
        error = reason;
    return opened;
}

}  // namespace cli
