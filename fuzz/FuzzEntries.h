#pragma once

#include <QDateTime>
#include <QTimeZone>

#include <cstddef>
#include <cstdint>

// What each fuzz target does with one input. The fuzz targets and the regression test of the normal
// build call the same functions, so an input kept from a fuzzing run is checked the same way in
// every later build. Every function returns normally for any input; a broken property aborts with a
// message naming it.
namespace FuzzEntries {

// The fixed moment and zone the entries compute with, so that a kept input behaves the same on
// any day.
QDateTime fixedNow();
QTimeZone fixedZone();

// The subscription file's decoder fed a whole file, then everything the views compute from a
// loaded list.
void subscriptionFile(const uint8_t *data, size_t size);
// The store created over a file holding the input, then its first save.
void storeLoad(const uint8_t *data, size_t size);
// The receipt parser, on the input read as UTF-8 and as UTF-16.
void receiptParser(const uint8_t *data, size_t size);
// The importer on the input as a file of any format it knows; every record it proposes must save.
void importList(const uint8_t *data, size_t size);
// Image decoding of the input as a file, and recognition when the decoded image is small.
void scanImage(const uint8_t *data, size_t size);

// Recognition runs only for decoded images up to this many pixels, so that each input stays fast.
inline constexpr qint64 maxRecognizedPixels = 96 * 96;

} // namespace FuzzEntries

// Aborts with `what` when `condition` does not hold.
#define FUZZ_CHECK(condition, what)                                                                          \
    do {                                                                                                     \
        if (!(condition))                                                                                    \
            FuzzEntries::fail(what, __FILE__, __LINE__);                                                     \
    } while (false)

namespace FuzzEntries {
[[noreturn]] void fail(const char *what, const char *file, int line);
}
