// Keeps the controls of the main dialog anchored when it is resized.
#pragma once

void LayoutMainDialog(int sizeKind, int width, int height);
