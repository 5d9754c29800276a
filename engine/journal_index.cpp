#include "engine/journal_index.h"

#include <functional>
#include <set>

namespace engine {

bool ReadJournalFolder(const std::string& folder, std::string& absolute, std::vector<JournalSummary>& journals,
                       std::string& error)
{
    std::vector<std::string> names;
    if (!AbsolutePath(folder, absolute, error) || !JournalNames(absolute, names, error)) {
        if (error.find("cannot read the folder") == std::string::npos)
            error = "cannot read the folder of the journals " + error;
        return false;
    }
    journals.clear();
    for (const std::string& name : names) {
        JournalSummary summary;
        SummarizeJournal(InFolder(absolute, name), summary);
        summary.path = InFolder(absolute, name);
        journals.push_back(std::move(summary));
    }
    return true;
}

std::vector<long> UndoneBy(const std::vector<JournalSummary>& journals)
{
    const size_t n = journals.size();
    std::vector<long> undoneBy(n, -1);
    // Newest first: an undo is always newer than the run it took back, so
    // whether it was itself taken back is known when it is met.
    for (size_t k = n; k-- > 0;) {
        const JournalSummary& undo = journals[k];
        if (!undo.readable || undo.header.command != "undo" || !undo.ended || undo.interrupted ||
            undoneBy[k] >= 0)
            continue;
        for (size_t j = 0; j < k; ++j)
            if (journals[j].path == undo.header.undoes && undoneBy[j] < 0)
                undoneBy[j] = static_cast<long>(k);
    }
    return undoneBy;
}

LastPick PickLast(const std::vector<JournalSummary>& journals, const std::vector<long>& undoneBy, size_t& index)
{
    for (size_t k = journals.size(); k-- > 0;) {
        const JournalSummary& journal = journals[k];
        if (!journal.readable) {
            index = k;
            return LastPick::Untrusted;
        }
        if (journal.header.command == "fix" && undoneBy[k] < 0 && (journal.made || journal.unsure)) {
            index = k;
            return LastPick::Found;
        }
    }
    return LastPick::NoneLeft;
}

std::vector<size_t> ChoosePrune(const std::vector<JournalSummary>& journals, const std::vector<long>& undoneBy,
                                int64_t olderThan, size_t keep, int64_t now)
{
    const size_t n = journals.size();
    std::vector<bool> remove(n, false);
    std::set<std::string> present;
    for (const JournalSummary& journal : journals)
        present.insert(journal.path);
    const auto folderOf = [](const std::string& path) { return path.substr(0, path.find_last_of("/\\")); };
    for (size_t k = 0; k < n; ++k) {
        const JournalSummary& journal = journals[k];
        if (!journal.readable) {
            remove[k] = journal.emptyFile;  // a file left by a journal never made
            continue;
        }
        const bool empty = journal.ended && !journal.made && !journal.unsure;
        const bool old = olderThan >= 0 && journal.header.started.seconds <= now - olderThan;
        if (undoneBy[k] >= 0) {
            remove[k] = true;
            remove[static_cast<size_t>(undoneBy[k])] = true;  // the undo that took it back
        }
        // The undo of a run whose journal, of this folder, was removed before.
        const bool orphan = journal.header.command == "undo" && journal.ended && !journal.interrupted &&
                            undoneBy[k] < 0 && folderOf(journal.header.undoes) == folderOf(journal.path) &&
                            !present.count(journal.header.undoes);
        if (empty || old || orphan)
            remove[k] = true;
    }
    std::vector<size_t> chosen;
    for (size_t k = 0; k + keep < n; ++k)
        if (remove[k])
            chosen.push_back(k);
    return chosen;
}

}  // namespace engine
