// The libFuzzer main of every fuzz target; RENEWLY_FUZZ_ENTRY names the entry point of FuzzEntries.h
// the target feeds.
#include "FuzzEntries.h"

#include <QCoreApplication>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    // Kept for the whole run: Qt's file, image and time-zone code expect an application object.
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzEntries::RENEWLY_FUZZ_ENTRY(data, size);
    return 0;
}
