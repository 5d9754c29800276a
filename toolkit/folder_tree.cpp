#include "toolkit/folder_tree.h"

#include <climits>

#include "toolkit/path.h"

namespace {

const int kFolderBit = 0x10;
const int kListingMask = 0x37;  // read-only, hidden, system, folder, archive
const int kMaxScannedFolders = 10000;

bool IsDotEntry(const Text& name)
{
    return name == "." || name == "..";
}

}  // namespace

// The list is its own queue; the cap on scanned folders also ends walks
// through links back to an ancestor. When files are wanted, the folders
// listed beyond the cap are still read for their files, though not for
// their sub-folders.
int ListFolderTree(StringArray& folders, const Text& pattern, std::vector<TreeFile>* files)
{
    Text namePattern = PathPart(6, pattern);
    if (namePattern.empty())
        namePattern = "*.*";
    folders.elements.resize(2);
    Element(folders, 1) = StripTrailing(PathPart(3, pattern), "\\");

    int attributes = 0;
    DirEntryInfo info;
    DirEntryInfo* wanted = files ? &info : nullptr;
    const int last = files ? INT_MAX : kMaxScannedFolders;
    for (int position = 1; position <= UpperBound(folders) && position <= last; ++position) {
        const Text current = Element(folders, position);
        const bool scanned = position <= kMaxScannedFolders;
        for (Text name = DirSearch(current + "\\" + namePattern, kListingMask, &attributes, wanted);
             !name.empty(); name = DirSearch(Text(), 0, &attributes, wanted)) {
            if ((attributes & kFolderBit) == 0) {
                if (files)
                    files->push_back(TreeFile{position, name, info});
                continue;
            }
            if (scanned && !IsDotEntry(name))
                AppendItem(folders, current + "\\" + name);
        }
    }
    return UpperBound(folders);
}
