#include "ListMerge.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <limits>

namespace ListMerge {

namespace {

struct Field {
    const char *key;
    bool (*equal)(const Subscription &, const Subscription &);
    void (*copy)(Subscription &to, const Subscription &from);
};

template <auto member> constexpr Field field(const char *key) {
    return {key, [](const Subscription &a, const Subscription &b) { return a.*member == b.*member; },
            [](Subscription &to, const Subscription &from) { to.*member = from.*member; }};
}

constexpr Field fields[] = {
    field<&Subscription::amount>("amount"),       field<&Subscription::billingType>("billingType"),
    field<&Subscription::category>("category"),   field<&Subscription::currency>("currency"),
    field<&Subscription::cycle>("cycle"),         field<&Subscription::isActive>("isActive"),
    field<&Subscription::name>("name"),           field<&Subscription::notes>("notes"),
    field<&Subscription::startDate>("startDate"),
};

QHash<QUuid, const Subscription *> byId(const QList<Subscription> &list) {
    QHash<QUuid, const Subscription *> index;
    index.reserve(list.size());
    for (const Subscription &s : list)
        if (!index.contains(s.id))
            index.insert(s.id, &s);
    return index;
}

// Field by field: a field changed on one side only takes that side's value; changed on both to
// different values, `theirs` wins when `theirsWins`, else `mine`, and the field is named in `lost`.
// Without a base every difference counts as changed on both sides.
Subscription mergeRecord(const Subscription *base, const Subscription &mine, const Subscription &theirs,
                         bool theirsWins, QStringList &lost) {
    Subscription merged = mine;
    for (const Field &f : fields) {
        if (f.equal(mine, theirs))
            continue;
        const bool mineChanged = !base || !f.equal(*base, mine);
        const bool theirsChanged = !base || !f.equal(*base, theirs);
        if (!theirsChanged)
            continue;
        if (mineChanged)
            lost.append(QString::fromLatin1(f.key));
        if (!mineChanged || theirsWins)
            f.copy(merged, theirs);
    }
    return merged;
}

} // namespace

QStringList differingFields(const Subscription &a, const Subscription &b) {
    QStringList keys;
    for (const Field &f : fields) {
        if (!f.equal(a, b))
            keys.append(QString::fromLatin1(f.key));
    }
    return keys;
}

int distance(const QList<Subscription> &a, const QList<Subscription> &b) {
    const auto aIndex = byId(a);
    const auto bIndex = byId(b);
    int d = 0;
    for (const Subscription &s : a) {
        const Subscription *other = bIndex.value(s.id);
        d += other ? int(differingFields(s, *other).size()) : 1;
    }
    for (const Subscription &s : b)
        d += aIndex.contains(s.id) ? 0 : 1;
    return d;
}

Result merge(const QList<Subscription> &base, const QList<Subscription> &mine,
             const QList<Subscription> &theirs, Source source) {
    const auto baseIndex = byId(base);
    const auto mineIndex = byId(mine);
    const auto theirsIndex = byId(theirs);
    Result result;
    result.merged.reserve(std::max(mine.size(), theirs.size()));
    QSet<QUuid> done;
    for (const Subscription &t : theirs) {
        if (done.contains(t.id)) {
            // A second record with an id the file already used (a hand edit): kept as it is.
            result.merged.append(t);
            ++result.fromTheirs;
            continue;
        }
        done.insert(t.id);
        const Subscription *b = baseIndex.value(t.id);
        const Subscription *m = mineIndex.value(t.id);
        if (m) {
            QStringList lost;
            const bool fileWins = source == Source::file;
            result.merged.append(mergeRecord(b, *m, t, fileWins, lost));
            if (!lost.isEmpty())
                result.replaced.append({fileWins ? *m : t, result.merged.constLast(), lost});
        } else if (source == Source::file && b && *b == t) {
            continue; // deleted here, unchanged there
        } else {
            result.merged.append(t); // added there, edited there while deleted here, or a copy's
        }
        ++result.fromTheirs;
    }
    for (const Subscription &m : mine) {
        if (theirsIndex.contains(m.id))
            continue;
        const Subscription *b = baseIndex.value(m.id);
        if (source == Source::file && b && *b == m)
            continue; // deleted there, unchanged here
        result.merged.append(m);
        ++result.fromMine;
    }
    if (source == Source::conflictCopy) {
        // A copy only adds to the list: the list keeps its order, the copy's additions follow.
        QHash<QUuid, qsizetype> rank;
        for (qsizetype i = 0; i < mine.size(); ++i)
            rank.insert(mine[i].id, i);
        std::stable_sort(result.merged.begin(), result.merged.end(),
                         [&rank](const Subscription &a, const Subscription &b) {
                             return rank.value(a.id, std::numeric_limits<qsizetype>::max()) <
                                    rank.value(b.id, std::numeric_limits<qsizetype>::max());
                         });
    }
    return result;
}

} // namespace ListMerge
