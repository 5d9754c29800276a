#include "app/folder_choice.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "resource_ids.h"
#include "toolkit/dialog.h"
#include "toolkit/msg_box.h"
#include "toolkit/path.h"

namespace {

// What the browser's notification routine needs, alive for one browse.
struct BrowseRecord {
    Text title;
    Text initialFolder;
};

int CALLBACK BrowseNotification(HWND browser, UINT message, LPARAM, LPARAM data)
{
    if (message != BFFM_INITIALIZED)
        return 0;
    const auto* record = reinterpret_cast<const BrowseRecord*>(data);
    if (!record->initialFolder.empty())
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE,
                     reinterpret_cast<LPARAM>(record->initialFolder.c_str()));
    if (!record->title.empty())
        SetWindowTextA(browser, record->title.c_str());
    return 0;
}

// The full path of a chosen item, "" when it has none in the file system.
Text ItemPath(PCIDLIST_ABSOLUTE item)
{
    char path[MAX_PATH + 1] = {};
    if (!SHGetPathFromIDListA(item, path))
        return Text();
    return Text(path);
}

// Fills `field` from the browser, which opens at the folder the field names.
// Cancel leaves the field as it is.
void ChooseFolderInto(int field, const Text& title)
{
    const Text current = ControlText(field);
    const Text initial = PathPart(3, StripTrailing(current, "\\") + "\\");
    const Text chosen = BrowseFolder(title, initial, 0);
    if (chosen.empty())
        return;
    Dialog(7, field, chosen, -1, -1, -1, -1);
}

}  // namespace

void ChooseOriginalsFolder()
{
    ChooseFolderInto(IDC_ORIGINALS_FOLDER, "Choix du r\xE9pertoire des fichiers originaux");
}

void ChooseCopiesFolder()
{
    ChooseFolderInto(IDC_COPIES_FOLDER, "Choix du r\xE9pertoire des fichiers copies");
}

Text BrowseFolder(const Text& title, const Text& initialFolder, int newFolderButton)
{
    UINT flags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    if (newFolderButton == 0)
        flags |= BIF_NONEWFOLDERBUTTON;

    PIDLIST_ABSOLUTE root = nullptr;
    SHGetFolderLocation(nullptr, CSIDL_DESKTOP, nullptr, 0, &root);

    BrowseRecord record{title, initialFolder};
    char displayName[MAX_PATH + 1] = {};
    BROWSEINFOA request = {};
    request.hwndOwner = nullptr;
    request.pidlRoot = root;
    request.pszDisplayName = displayName;
    request.lpszTitle = record.title.c_str();
    request.ulFlags = flags;
    request.lpfn = BrowseNotification;
    request.lParam = reinterpret_cast<LPARAM>(&record);
    request.iImage = 0;

    // The resizable browser needs a single-threaded apartment on this thread;
    // it is entered for the browse only, and left again when it was entered.
    const HRESULT apartment = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    CenterNextDialog(1);
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&request);
    Text result;
    if (chosen) {
        result = ItemPath(chosen);
        CoTaskMemFree(chosen);
    }
    CoTaskMemFree(root);
    if (SUCCEEDED(apartment))
        CoUninitialize();
    return result;
}
