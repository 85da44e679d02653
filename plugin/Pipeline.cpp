#include "plugin/Pipeline.h"

#include "platform/DebugLog.h"

std::atomic<bool> readerStop{true};

void DoStartGeometry(Globals* globals) {
    globals->gStuff->data = nullptr;
}

void DoContinue(Globals* globals) {
    activeSelector = 3;
    qv::LogText("DoContinue");
    globals->gStuff->data = nullptr;
    globals->gStuff->theRect = HostRect{0, 0, 0, 0};
}
