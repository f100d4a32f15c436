#pragma once

#include "model/Subscription.h"

#include <QList>

class Store;

// The changes the writer helper makes, one store operation (and so one save) per generation, each
// list recognisable as a whole: generation g is what the file holds once the g-th change is saved,
// generation 0 the empty list. The lists grow to about 160 records and vary in length and text.
namespace WriterScript {

// Applies change number `generation` (from 1) to a list the way the store applies it.
void apply(QList<Subscription> &list, int generation);
// Makes the same change through the store: exactly one operation.
void apply(Store &store, int generation);

// The list after `generation` changes, computed incrementally from a known earlier one.
class Lists {
public:
    int generation() const { return m_generation; }
    const QList<Subscription> &list() const { return m_list; }
    // Moves forward to `generation`, which must not lie before the current one.
    void advanceTo(int generation);

private:
    int m_generation = 0;
    QList<Subscription> m_list;
};

} // namespace WriterScript
