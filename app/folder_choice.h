// The two browse buttons: fill a folder field from the system folder browser.
#pragma once

#include "toolkit/text.h"

void ChooseOriginalsFolder();
void ChooseCopiesFolder();

// Opens the folder browser with `title` as caption and instruction, selecting
// `initialFolder`; returns the chosen folder's path, "" on cancel.
Text BrowseFolder(const Text& title, const Text& initialFolder, int newFolderButton);
