// "Touch heure...": pairs every original with the copy at the same relative
// path and sets the last-write time of each copy that is off by exactly the
// shift to its original's local date and time.
//
// Both trees are listed once. Each listing entry already carries the file's
// size and last-write time, so originals are never opened and a copy is opened
// only when its listed size and time make it a candidate: the same copies are
// touched and the same lines written as when every file is queried one by
// one, at a fraction of the cost. A copy the listing of the copies did not
// show under that exact relative path (another letter case, or a name the
// listing does not return) is queried by path instead.
#include "touch/touch_run.h"

#include <windows.h>

#include <unordered_map>
#include <vector>

#include "resource_ids.h"
#include "toolkit/dialog.h"
#include "toolkit/folder_tree.h"
#include "toolkit/list.h"
#include "toolkit/main_window.h"
#include "toolkit/msg_box.h"
#include "toolkit/path.h"
#include "toolkit/string_array.h"
#include "toolkit/tableau.h"
#include "touch/date_serial.h"
#include "touch/file_query.h"
#include "touch/file_time.h"
#include "touch/matching.h"

namespace {

// Messages are let through one per file while they keep coming; once the
// queue has been found empty it is looked at again only after this many
// milliseconds. Under Wine looking at an empty queue costs more than handling
// a file, and no user can tell a message handled a few milliseconds later.
const DWORD QUEUE_IDLE_MS = 10;

// Adding a line makes a list box redraw at once, which under Wine costs a
// thousand times the handling of a file. The run holds the list's drawing
// while it adds lines and shows them every this many milliseconds: the lines
// appear as the run goes, faster than an eye can tell from one by one.
const DWORD LIST_SHOW_MS = 40;

// Writing the progress bar redraws it at once, at about the cost of the
// handling of twenty files under Wine: within a phase it is written at most
// this often, which still moves it more smoothly than a display can show.
const DWORD PROGRESS_SHOW_MS = 40;

bool g_active = false;
bool g_stopRequested = false;

// The user's input, checked.
struct RunInput {
    int32_t shift = 0;
    Text unit;
    Text originalsFolder;  // as typed, normalised
    Text copiesFolder;
};

// Size and last-write time of a listed file.
struct FileFacts {
    int64_t size = 0;
    double serial = 0;
};

// Everything one run holds; released when the run ends, however it ends.
struct RunState {
    StringArray folders;
    StringArray originals;
    std::vector<FileFacts> originalFacts;             // parallel to originals, from index 1
    std::unordered_map<Text, FileFacts> copiesByPath;  // relative path -> facts
    int lastProgress = -1;
    DWORD progressShownAt = 0;
    DWORD queueFoundEmptyAt = 0;
    bool queueFoundEmpty = false;
    DWORD linesShownAt = 0;
    bool linesHeld = false;
};

// Marks a run as going for its whole length, whichever way it ends.
struct ActiveRun {
    ActiveRun() { g_active = true; g_stopRequested = false; }
    ~ActiveRun() { g_active = false; }
};

void ShowProgress(RunState& state, int percent)
{
    // The bar is written only when its position changes and, within a phase,
    // at most every PROGRESS_SHOW_MS; the first and last positions of a phase
    // are always shown.
    if (percent == state.lastProgress)
        return;
    const DWORD now = GetTickCount();
    if (percent != 0 && percent != 100 && now - state.progressShownAt < PROGRESS_SHOW_MS)
        return;
    state.lastProgress = percent;
    state.progressShownAt = now;
    Dialog(7, IDC_PROGRESS_BAR, "", percent, -1, -1, -1);
}

void ShowStatus(const Text& text)
{
    Dialog(7, IDC_STATUS_BAR, text, -1, -1, -1, -1);
}

int Percent(int done, int total)
{
    return static_cast<int>(static_cast<int64_t>(done) * 100 / total);
}

// Lets one pending message through, unless the queue was found empty a
// moment ago.
void LetMessageThrough(RunState& state)
{
    if (state.queueFoundEmpty && GetTickCount() - state.queueFoundEmptyAt < QUEUE_IDLE_MS)
        return;
    PumpMessage();
    state.queueFoundEmpty = !LastPumpTookMessage();
    if (state.queueFoundEmpty)
        state.queueFoundEmptyAt = GetTickCount();
}

// Draws the lines added since the list was last shown.
void ShowHeldLines(RunState& state)
{
    if (!state.linesHeld)
        return;
    SetListDrawing(IDC_RESULT_LIST, true);
    state.linesHeld = false;
    state.linesShownAt = GetTickCount();
}

void AddResultLine(RunState& state, const Text& line)
{
    if (!state.linesHeld) {
        SetListDrawing(IDC_RESULT_LIST, false);
        state.linesHeld = true;
    }
    List(2, IDC_RESULT_LIST, line, 0, 0);
    if (GetTickCount() - state.linesShownAt >= LIST_SHOW_MS)
        ShowHeldLines(state);
}

// Reads and checks the shift, the unit and both folders; shows the error box
// and returns false when something is missing.
bool ReadRunInput(RunInput& input)
{
    const int32_t shift = ShiftFromText(ControlText(IDC_SHIFT_EDIT));
    static const char* const unitCodes[] = {"h", "n", "s"};
    for (int id = IDC_UNIT_FIRST; id <= IDC_UNIT_LAST && input.unit.empty(); ++id) {
        if (ControlText(id) == "1")
            input.unit = unitCodes[id - IDC_UNIT_FIRST];
    }
    if (input.unit.empty()) {
        MsgErreur("Unite du d\xE9" "calage inconnu !");
        return false;
    }
    input.shift = ReduceShift(shift, input.unit);

    const Text originals = ControlText(IDC_ORIGINALS_FOLDER);
    if (TrimBlanks(originals).empty()) {
        MsgErreur("Veuillez saisir le r\xE9pertoire des fichiers originaux !");
        return false;
    }
    const Text copies = ControlText(IDC_COPIES_FOLDER);
    if (TrimBlanks(copies).empty()) {
        MsgErreur("Veuillez saisir le r\xE9pertoire des fichiers copies !");
        return false;
    }
    input.originalsFolder = StripTrailing(originals, "\\");
    input.copiesFolder = StripTrailing(copies, "\\");
    return true;
}

FileFacts FactsOf(const DirEntryInfo& info)
{
    return FileFacts{info.size, LocalSerialFromUnixTime(info.writeTime)};
}

// Walks the tree under `folder` breadth-first and calls onFile(relative path,
// facts) for its files, folder by folder, moving the progress bar once per
// folder. The walk that lists the folders also hands over the files.
template <typename OnFile>
void ScanTree(RunState& state, const Text& folder, OnFile onFile)
{
    std::vector<TreeFile> files;
    const int count = ListFolderTree(state.folders, folder + "\\*.*", &files);
    // Item 1 is the start folder as listed: every path below starts with it and "\".
    const size_t startLength = Element(state.folders, 1).size() + 1;
    size_t next = 0;
    for (int i = 1; i <= count; ++i) {
        ShowProgress(state, Percent(i, count));
        const Text& current = Element(state.folders, i);
        const Text relativeFolder = i == 1 ? Text() : current.substr(startLength) + "\\";
        for (; next < files.size() && files[next].folder == i; ++next)
            onFile(relativeFolder + files[next].name, FactsOf(files[next].info));
    }
}

void ScanOriginals(RunState& state, const Text& folder)
{
    state.originalFacts.assign(1, FileFacts());
    ScanTree(state, folder, [&](const Text& relativePath, const FileFacts& facts) {
        Tableau(1, state.originals, 0, relativePath);
        state.originalFacts.push_back(facts);
    });
}

void ScanCopies(RunState& state, const Text& folder)
{
    ScanTree(state, folder, [&](const Text& relativePath, const FileFacts& facts) {
        state.copiesByPath.emplace(relativePath, facts);
    });
}

// The copy's size and time: from the listing when it showed that path, else
// asked of the file itself. False when there is no readable copy.
bool CopyFacts(const RunState& state, const Text& relativePath, const Text& copyPath, FileFacts& facts)
{
    const auto listed = state.copiesByPath.find(relativePath);
    if (listed != state.copiesByPath.end()) {
        facts = listed->second;
        return true;
    }
    if (!FileIsReadable(copyPath))
        return false;
    facts.serial = FileModifiedSerial(copyPath);
    facts.size = FileSizeBytes(copyPath);
    return true;
}

int CalendarField(double serial, const char* code)
{
    return ShiftFromText(SerialField(serial, code));
}

// Touches one matching copy that can be opened for reading and returns its
// result line; "" when it cannot be read (no line).
Text TouchCopy(const Text& copyPath, double originalSerial, const RunInput& input, int32_t difference)
{
    const int result = TouchReadableFile(copyPath, CalendarField(originalSerial, "yyyy"),
                                         CalendarField(originalSerial, "mm"), CalendarField(originalSerial, "dd"),
                                         CalendarField(originalSerial, "hh"), CalendarField(originalSerial, "nn"),
                                         CalendarField(originalSerial, "ss"));
    if (result == TOUCH_NOT_READABLE)
        return Text();
    if (result <= 0)
        return FailedLine(copyPath, difference);
    const double newSerial = FileModifiedSerial(copyPath);
    return TouchedLine(copyPath, Low32(UnitsBetween(input.unit, originalSerial, newSerial)), input.unit);
}

// Handles original i: a line when its copy was touched or failed to be.
void HandleOriginal(RunState& state, const RunInput& input, int i)
{
    const Text& relativePath = Element(state.originals, i);
    const FileFacts& original = state.originalFacts[i];
    const Text copyPath = input.copiesFolder + "\\" + relativePath;

    FileFacts copy;
    if (!CopyFacts(state, relativePath, copyPath, copy))
        return;
    int32_t difference = 0;
    if (!IsShiftedCopy(original.serial, original.size, copy.serial, copy.size, input.unit, input.shift,
                       difference))
        return;
    // A listed copy is only opened now that it is a candidate.
    const Text line = TouchCopy(copyPath, original.serial, input, difference);
    if (!line.empty())
        AddResultLine(state, line);
}

// True when the run must end at once: the main window is closing or gone.
bool RunInterrupted()
{
    return g_stopRequested || QuitRequested() || !IsWindow(MainWindow());
}

}  // namespace

bool TouchRunActive()
{
    return g_active;
}

void TouchRunRequestStop()
{
    g_stopRequested = true;
}

void TouchRun()
{
    if (g_active)
        return;
    ActiveRun active;

    RunInput input;
    if (!ReadRunInput(input))
        return;

    RunState state;
    List(4, IDC_RESULT_LIST, "", 0, 0);
    ShowProgress(state, 0);
    ShowStatus("Lecture des r\xE9pertoires et fichiers....");
    ScanOriginals(state, input.originalsFolder);
    ScanCopies(state, input.copiesFolder);

    ShowProgress(state, 0);
    ShowStatus("Touch des fichiers....");
    const int count = UpperBound(state.originals);
    for (int i = 1; i <= count; ++i) {
        ShowProgress(state, Percent(i, count));
        LetMessageThrough(state);
        if (RunInterrupted()) {
            if (IsWindow(MainWindow()))
                ShowHeldLines(state);
            return;
        }
        HandleOriginal(state, input, i);
    }

    ShowHeldLines(state);
    ShowProgress(state, 100);
    ShowStatus("Pr\xEAt.");
    MsgInfo("Heure d'\xE9t\xE9 :\r\r\xABTouch\xBB de l'heure des fichiers-copie termin\xE9 !");
}
