#include "app/folder_choice.h"

void ChooseOriginalsFolder() {}
void ChooseCopiesFolder() {}
Text BrowseFolder(const Text&, const Text&, int) { return Text(); }
