#include "toolkit/list_objects.h"

namespace {

const int kObjectCount = 100;

struct ListObjects {
    std::vector<Text> lines[kObjectCount];
    bool handedOut[kObjectCount] = {};
};

ListObjects objects;

}  // namespace

int NewListObject()
{
    for (int id = 0; id < kObjectCount; ++id) {
        if (objects.handedOut[id])
            continue;
        objects.handedOut[id] = true;
        objects.lines[id].clear();
        return id;
    }
    return -1;
}

std::vector<Text>* ListObject(int id)
{
    if (id < 0 || id >= kObjectCount)
        return nullptr;
    return &objects.lines[id];
}
