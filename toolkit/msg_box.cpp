#include "toolkit/msg_box.h"

int MsgInfo(const Text&) { return 0; }
int MsgErreur(const Text&) { return 0; }
LRESULT PumpMessage() { return 0; }
bool QuitRequested() { return false; }
int CenterNextDialog(int flag) { return flag; }
void PlaceWindow(HWND) {}
