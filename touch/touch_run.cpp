// "Touch heure...": pairs every original with the copy at the same relative
// path and sets the last-write time of each copy that is off by exactly the
// shift to its original's date and time. Original and copy are compared on
// their UTC instants: a copy made across a change of the local offset is off
// by the shift there, whatever its local date and time read.
//
// The file-system side works with the system's own wide-character names and
// "\\?\" paths, so that every file is reached whatever its name and however
// long its path; the folder fields, the result lines and everything else the
// user sees stay ANSI text.
//
// Both trees are listed once. Each listing entry already carries the file's
// size, last-write time and index, so originals are never opened (neither for
// their facts nor to tell whether the run touched them as copies) and a copy
// is opened only when its listed size and time make it a candidate. A
// copy the listing of the copies did not show under that exact relative path
// (another letter case) is queried by path instead. The file opened is always
// the one the facts came from: its path is built from the names of the
// directory entries, and the open handle is checked again before its time is
// set.
#include "touch/touch_run.h"

#include <windows.h>

#include <new>
#include <unordered_map>
#include <vector>

#include "resource_ids.h"
#include "toolkit/dialog.h"
#include "toolkit/list.h"
#include "toolkit/main_window.h"
#include "toolkit/msg_box.h"
#include "toolkit/path.h"
#include "touch/copy_touch.h"
#include "touch/date_serial.h"
#include "touch/draw_pace.h"
#include "touch/file_query.h"
#include "touch/matching.h"
#include "winfs/file_facts.h"
#include "winfs/long_path.h"
#include "winfs/tree_walk.h"
#include "winfs/wide_text.h"

namespace {

// Messages are let through one per file while they keep coming; once the
// queue has been found empty it is looked at again only after this many
// milliseconds. Under Wine looking at an empty queue costs more than handling
// a file, and no user can tell a message handled a few milliseconds later.
const DWORD QUEUE_IDLE_MS = 10;

// Adding a line makes a list box redraw at once, which under Wine costs a
// thousand times the handling of a file. The run holds the list's drawing
// while it adds lines and shows them at most every this many milliseconds,
// and less often when showing them takes long (DrawPace): the lines appear
// as the run goes, faster than an eye can tell from one by one.
const DWORD LIST_SHOW_MS = 40;

// Writing the progress bar redraws it at once, at about the cost of the
// handling of twenty files under Wine: within a phase it is written at most
// this often (and less often when drawing it takes long), which still moves
// it more smoothly than a display can show.
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

// Everything one run holds; released when the run ends, however it ends.
struct RunState {
    std::wstring originalsRoot;  // the folders in the "\\?\" form
    std::wstring copiesRoot;
    uint32_t originalsVolume = 0;  // serials of the volumes of the two folders
    uint32_t copiesVolume = 0;
    TreeWalk originals;
    std::unordered_map<std::wstring, FileFacts> copiesByPath;  // relative path -> listed facts
    TouchedFiles touched;
    int lastProgress = -1;
    DrawPace progressPace{PROGRESS_SHOW_MS};
    DWORD queueFoundEmptyAt = 0;
    bool queueFoundEmpty = false;
    DrawPace linesPace{LIST_SHOW_MS};
    bool linesHeld = false;

    // Gives back the memory of the trees.
    void Release()
    {
        TreeWalk().files.swap(originals.files);
        std::vector<std::wstring>().swap(originals.folders);
        std::unordered_map<std::wstring, FileFacts>().swap(copiesByPath);
        TouchedFiles().swap(touched);
    }
};

// Marks a run as going for its whole length, whichever way it ends.
struct ActiveRun {
    ActiveRun() { g_active = true; g_stopRequested = false; }
    ~ActiveRun() { g_active = false; }
};

void ShowProgress(RunState& state, int percent)
{
    // The bar is written only when its position changes and, within a phase,
    // when its pace allows; the first and last positions of a phase are
    // always shown.
    if (percent == state.lastProgress)
        return;
    const DWORD now = GetTickCount();
    if (percent != 0 && percent != 100 && !state.progressPace.Due(now))
        return;
    state.lastProgress = percent;
    Dialog(7, IDC_PROGRESS_BAR, "", percent, -1, -1, -1);
    state.progressPace.Drawn(now, GetTickCount());
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
    const DWORD start = GetTickCount();
    SetListDrawing(IDC_RESULT_LIST, true);
    state.linesHeld = false;
    state.linesPace.Drawn(start, GetTickCount());
}

void AddResultLine(RunState& state, const Text& line)
{
    if (!state.linesHeld) {
        SetListDrawing(IDC_RESULT_LIST, false);
        state.linesHeld = true;
    }
    List(2, IDC_RESULT_LIST, line, 0, 0);
    if (state.linesPace.Due(GetTickCount()))
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

// The folder of the run in the "\\?\" form: what the system makes of the
// folder as typed, as when the typed text is used as a path.
std::wstring RootOf(const Text& folder)
{
    return ExtendedPath(WideFromAnsi(folder) + L"\\");
}

std::wstring RelativePath(const TreeWalk& walk, const WalkFile& file)
{
    return JoinPath(walk.folders[static_cast<size_t>(file.folder)], file.name);
}

// Walks the tree under `root` breadth-first into `walk`, then moves the
// progress bar once per folder and calls onFile for the files of each.
template <typename OnFile>
void ScanTree(RunState& state, const std::wstring& root, TreeWalk& walk, OnFile onFile)
{
    WalkTree(root, walk);
    const int count = static_cast<int>(walk.folders.size());
    size_t next = 0;
    for (int i = 1; i <= count; ++i) {
        ShowProgress(state, Percent(i, count));
        for (; next < walk.files.size() && walk.files[next].folder == i - 1; ++next)
            onFile(walk.files[next]);
    }
}

void ScanOriginals(RunState& state)
{
    ScanTree(state, state.originalsRoot, state.originals, [](const WalkFile&) {});
}

void ScanCopies(RunState& state)
{
    TreeWalk copies;
    ScanTree(state, state.copiesRoot, copies, [&](const WalkFile& file) {
        FileFacts facts;
        facts.size = file.size;
        facts.writeTicks = file.writeTicks;
        state.copiesByPath.emplace(RelativePath(copies, file), facts);
    });
}

// The copy's size and time: from the listing when it showed that path, else
// asked of the file itself. False when there is no readable copy.
bool CopyFacts(const RunState& state, const std::wstring& relativePath, const std::wstring& copyPath,
               FileFacts& facts)
{
    const auto listed = state.copiesByPath.find(relativePath);
    if (listed != state.copiesByPath.end()) {
        facts = listed->second;
        return true;
    }
    return IsReadable(copyPath) && FactsOfPath(copyPath, facts);
}

// True when the instant can be read as a local date (from 1970 to the year
// 3000); a time outside matches nothing.
bool HasLocalDate(int64_t seconds)
{
    return LocalSerialFromUnixTime(seconds) != 0;
}

// True when the original is a file this run has already touched as a copy
// (the trees overlap, or hard links join them): its listed facts are gone.
// The listing gave the index of the file its facts came from; a file system
// that gives none is asked by path.
bool TouchedBefore(const RunState& state, const WalkFile& original, const std::wstring& relativePath)
{
    if (state.touched.empty())
        return false;
    FileIdentity identity;
    identity.volume = state.originalsVolume;
    identity.index = original.index;
    if (identity.index == 0 &&
        !IdentityOfPath(JoinPath(state.originalsRoot, relativePath), state.originalsVolume, identity))
        return false;
    return state.touched.count(identity) != 0;
}

// Handles original i: a line when its copy was touched or failed to be.
void HandleOriginal(RunState& state, const RunInput& input, size_t i)
{
    const WalkFile& original = state.originals.files[i];
    const std::wstring relativePath = RelativePath(state.originals, original);
    const std::wstring copyPath = JoinPath(state.copiesRoot, relativePath);

    FileFacts copy;
    if (!CopyFacts(state, relativePath, copyPath, copy))
        return;
    // The two are compared on their UTC instants, whole seconds: a copy made
    // across a change of the local offset is off by the shift there.
    const int64_t originalSeconds = UnixSecondsFromTicks(original.writeTicks);
    const int64_t copySeconds = UnixSecondsFromTicks(copy.writeTicks);
    int32_t difference = 0;
    if (!IsShiftedCopy(originalSeconds, original.size, copySeconds, copy.size, input.unit, input.shift,
                       difference))
        return;
    if (!HasLocalDate(originalSeconds) || !HasLocalDate(copySeconds))
        return;
    if (TouchedBefore(state, original, relativePath))
        return;

    // The copy ends at its original's exact instant, whichever of the two
    // instants of a repeated autumn hour that is.
    const CopyTouch touch =
        TouchMatchingCopy(copyPath, state.copiesVolume, copy, originalSeconds, state.touched);
    const Text linePath = input.copiesFolder + "\\" + AnsiFromWide(relativePath);
    if (touch.outcome == CopyOutcome::Failed) {
        AddResultLine(state, FailedLine(linePath, difference));
    } else if (touch.outcome == CopyOutcome::Touched) {
        const int64_t after =
            UnitsBetweenInstants(input.unit, originalSeconds, UnixSecondsFromTicks(touch.writeTicks));
        AddResultLine(state, TouchedLine(linePath, Low32(after), input.unit));
    }
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

namespace {

// The run once its input is checked; false when it ended early because the
// main window is closing.
bool RunOverTrees(RunState& state, const RunInput& input)
{
    List(4, IDC_RESULT_LIST, "", 0, 0);
    ShowProgress(state, 0);
    ShowStatus("Lecture des r\xE9pertoires et fichiers....");
    state.originalsRoot = RootOf(input.originalsFolder);
    state.copiesRoot = RootOf(input.copiesFolder);
    state.originalsVolume = VolumeOfPath(state.originalsRoot);
    state.copiesVolume = VolumeOfPath(state.copiesRoot);
    ScanOriginals(state);
    ScanCopies(state);

    ShowProgress(state, 0);
    ShowStatus("Touch des fichiers....");
    const size_t count = state.originals.files.size();
    for (size_t i = 0; i < count; ++i) {
        ShowProgress(state, Percent(static_cast<int>(i + 1), static_cast<int>(count)));
        LetMessageThrough(state);
        if (RunInterrupted()) {
            if (IsWindow(MainWindow()))
                ShowHeldLines(state);
            return false;
        }
        HandleOriginal(state, input, i);
    }
    ShowHeldLines(state);
    return true;
}

}  // namespace

void TouchRun()
{
    if (g_active)
        return;
    ActiveRun active;

    RunInput input;
    if (!ReadRunInput(input))
        return;

    RunState state;
    try {
        if (!RunOverTrees(state, input))
            return;
    } catch (const std::bad_alloc&) {
        // Both trees did not fit in memory: the run ends with what it did,
        // shown, and says why.
        state.Release();
        ShowHeldLines(state);
        ShowStatus("Pr\xEAt.");
        MsgErreur("M\xE9moire insuffisante : le \xABTouch\xBB de l'heure des fichiers-copie est interrompu !");
        return;
    }

    ShowProgress(state, 100);
    ShowStatus("Pr\xEAt.");
    MsgInfo("Heure d'\xE9t\xE9 :\r\r\xABTouch\xBB de l'heure des fichiers-copie termin\xE9 !");
}
