// A touch run that runs out of memory ends with an error box, not a crash:
// this program's allocations fail above a size while a test asks for it.
#include <atomic>
#include <cstdlib>
#include <new>

#include "box_watcher.h"
#include "scratch_folder.h"
#include "test_dialog.h"
#include "toolkit/dialog.h"
#include "touch/touch_run.h"

namespace {

std::atomic<size_t> g_refuseAbove{0};

void* Allocate(size_t size)
{
    const size_t limit = g_refuseAbove.load();
    if (limit != 0 && size > limit)
        throw std::bad_alloc();
    if (void* block = std::malloc(size ? size : 1))
        return block;
    throw std::bad_alloc();
}

}  // namespace

void* operator new(size_t size)
{
    return Allocate(size);
}

void* operator new[](size_t size)
{
    return Allocate(size);
}

void operator delete(void* block) noexcept
{
    std::free(block);
}

void operator delete[](void* block) noexcept
{
    std::free(block);
}

void operator delete(void* block, size_t) noexcept
{
    std::free(block);
}

void operator delete[](void* block, size_t) noexcept
{
    std::free(block);
}

namespace {

TEST_F(MainDialogTest, ARunThatRunsOutOfMemoryEndsWithAnErrorBox)
{
    // 5000 originals: the list of their facts outgrows 64 KB while the tree is read.
    scratch::ScratchFolder root("out_of_memory");
    ASSERT_EQ(root.Shell("mkdir originals copies && cd originals && seq -f f%g 1 5000 | xargs touch"), 0);
    SetDlgItemTextA(window, IDC_ORIGINALS_FOLDER, (root.win + "\\originals").c_str());
    SetDlgItemTextA(window, IDC_COPIES_FOLDER, (root.win + "\\copies").c_str());
    SetDlgItemTextA(window, IDC_SHIFT_EDIT, "1");
    CheckDlgButton(window, IDC_UNIT_HOURS, BST_CHECKED);

    BoxWatcher watcher;
    g_refuseAbove = 64 * 1024;
    TouchRun();
    g_refuseAbove = 0;
    const SeenBox box = watcher.Wait();

    ASSERT_TRUE(box.seen);
    EXPECT_EQ(box.caption, "Erreur");
    EXPECT_EQ(box.text, "M\xE9moire insuffisante : le \xABTouch\xBB de l'heure des fichiers-copie est interrompu !");
    EXPECT_EQ(ControlText(IDC_STATUS_BAR), "Pr\xEAt.");
    EXPECT_FALSE(TouchRunActive());
    // A second run, with memory, goes through to its end box.
    BoxWatcher second;
    TouchRun();
    EXPECT_EQ(second.Wait().caption, "Info");
}

}  // namespace
