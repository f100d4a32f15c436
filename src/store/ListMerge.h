#pragma once

#include "model/Subscription.h"

#include <QList>
#include <QStringList>

// Three-way merge of subscription lists by record id, for a list file that other computers change
// too. `base` is the list this computer last read or wrote, `mine` the list in memory, `theirs` what
// is on disk now (or a conflict copy a sync tool left beside it).
namespace ListMerge {

enum class Source {
    file,         // the list file itself: deletions on either side count
    conflictCopy, // a sync tool's copy: it never deletes, and what it changed is taken
};

// A record edited on both sides in the same fields. The list file's value wins over the local
// one; the list's value wins over a conflict copy's, which the sync tool had already set aside as
// the losing side. The losing version is to be kept.
struct Replaced {
    Subscription lost;   // the version whose values gave way, as it was
    Subscription merged; // what the list holds now
    QStringList fields;  // the JSON keys of the fields that gave way
};

struct Result {
    QList<Subscription> merged;
    int fromTheirs = 0; // records of the result that the file holds
    int fromMine = 0;   // records of the result that only the local list held
    QList<Replaced> replaced;
};

// Records keep the file's order; records only the local list has follow in their local order. A
// conflict copy only adds: the local order stays and the copy's additions follow.
Result merge(const QList<Subscription> &base, const QList<Subscription> &mine,
             const QList<Subscription> &theirs, Source source = Source::file);

// The JSON keys of the fields in which two versions of a record differ (id excluded).
QStringList differingFields(const Subscription &a, const Subscription &b);
// How far apart two lists are: records only one of them holds, plus differing fields of the others.
int distance(const QList<Subscription> &a, const QList<Subscription> &b);

} // namespace ListMerge
