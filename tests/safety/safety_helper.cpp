// Child process of the safety tests: a writer that saves the list over and over until it is killed,
// and a loader that reports how a file loads.
//
//   safety_helper write <file> <first generation> [last generation]
//       Loads the store from <file> (which must hold generation <first> - 1) and makes the changes of
//       WriterScript from <first> on. Before each change it writes the generation's number and a line
//       feed to standard output, unbuffered, so whoever kills it knows which save was under way.
//   safety_helper load <file> [--save]
//       Creates the store over <file>, within 2 GiB of address space, and prints the number of records;
//       with --save it then saves once and prints "saved <0|1> <set-aside path or ->".
#include "WriterScript.h"

#include "store/Store.h"

#include <QCoreApplication>

#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

namespace {

bool announce(int generation) {
    char line[16];
    const int length = std::snprintf(line, sizeof line, "%d\n", generation);
    return ::write(STDOUT_FILENO, line, size_t(length)) == length;
}

int write(const QString &path, int first, int last) {
    Store store(path);
    WriterScript::Lists expected;
    expected.advanceTo(first - 1);
    if (store.subscriptions() != expected.list()) {
        std::fprintf(stderr, "safety_helper: %s does not hold generation %d\n", qPrintable(path), first - 1);
        return 3;
    }
    for (int generation = first; last < 0 || generation <= last; ++generation) {
        if (!announce(generation))
            return 4;
        WriterScript::apply(store, generation);
    }
    return 0;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool sanitized = true;
#elif defined(__has_feature)
constexpr bool sanitized = __has_feature(address_sanitizer);
#else
constexpr bool sanitized = false;
#endif

int load(const QString &path, bool save) {
    // Loading any file must fit in this much address space; the sanitizers reserve far more for
    // themselves, so there is no limit under them.
    if (!sanitized) {
        rlimit limit{};
        limit.rlim_cur = limit.rlim_max = rlim_t(2) << 30;
        setrlimit(RLIMIT_AS, &limit);
    }
    Store store(path);
    std::printf("%lld\n", static_cast<long long>(store.subscriptions().size()));
    if (save) {
        const bool saved = store.save().ok();
        std::printf("saved %d %s\n", saved ? 1 : 0,
                    store.setAsidePath().isEmpty() ? "-" : qPrintable(store.setAsidePath()));
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 4 && args[1] == u"write")
        return write(args[2], args[3].toInt(), args.size() >= 5 ? args[4].toInt() : -1);
    if (args.size() >= 3 && args[1] == u"load")
        return load(args[2], args.size() >= 4 && args[3] == u"--save");
    std::fprintf(stderr, "usage: safety_helper write <file> <first> [last] | load <file> [--save]\n");
    return 2;
}
