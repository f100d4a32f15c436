#include "Cli.h"

#include "exchange/Export.h"
#include "exchange/Import.h"
#include "model/Format.h"
#include "model/JsonWriter.h"
#include "receipt/ReceiptParser.h"
#include "settings/LocalizationManager.h"
#include "store/Aggregates.h"
#include "store/SubscriptionFile.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>

#include <functional>
#include <optional>
#include <variant>

namespace Cli {
namespace {

constexpr int maxDays = 36500;

struct Options {
    QString command;
    bool json = false;
    int days = 7;
    std::optional<Export::Format> format;
    QString output;
    bool dryRun = false;
    QStringList operands;
};

// Options that take a value, as they are written.
const QStringList valueOptions{QStringLiteral("days"), QStringLiteral("format"), QStringLiteral("output")};

// The first option on the command line that is none of ours, as it was written.
QString unknownOption(const QStringList &arguments, const QStringList &known) {
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments[i];
        if (arg == u"--")
            break;
        if (!arg.startsWith(u'-') || arg.size() < 2)
            continue;
        const QString name = arg.mid(arg.startsWith(u"--") ? 2 : 1).section(u'=', 0, 0);
        if (!known.contains(name))
            return arg;
        if (valueOptions.contains(name) && !arg.contains(u'='))
            ++i;
    }
    return arguments.isEmpty() ? QString() : arguments.constLast();
}

// A one-line complaint for stderr, or the parsed options.
std::variant<Options, QString> parseArguments(const QStringList &arguments) {
    QCommandLineParser parser;
    const QCommandLineOption json(QStringLiteral("json"));
    const QCommandLineOption days(QStringLiteral("days"), QString(), QStringLiteral("N"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption format(QStringLiteral("format"), QString(), QStringLiteral("FORMAT"));
    const QCommandLineOption output(QStringLiteral("output"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption dryRun(QStringLiteral("dry-run"));
    parser.addOptions({json, days, help, format, output, dryRun});
    // "--" ends the options for the parser; here it is an option nobody knows, as everywhere else.
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == u"--")
            return QStringLiteral("unknown option \"--\"");
        if (valueOptions.contains(arguments[i].mid(2)) && arguments[i].startsWith(u"--"))
            ++i;
    }
    if (!parser.parse(QStringList{QStringLiteral("renewly-cli")} + arguments)) {
        if (!parser.unknownOptionNames().isEmpty()) {
            QStringList known;
            for (const QCommandLineOption &option : {json, days, help, format, output, dryRun})
                known << option.names();
            return QStringLiteral("unknown option \"%1\"").arg(unknownOption(arguments, known));
        }
        // A value given to an option that takes none ("--json=1") is no option of ours either.
        for (const QString &arg : arguments) {
            const QString name = arg.section(u'=', 0, 0).remove(QRegularExpression(QStringLiteral("^--?")));
            if (arg.startsWith(u'-') && arg.contains(u'=') && !valueOptions.contains(name))
                return QStringLiteral("unknown option \"%1\"").arg(arg);
        }
        // The only other failure: an option that takes a value stands last.
        if (parser.errorText().contains(u"format"))
            return QStringLiteral("--format needs json, csv or ics");
        if (parser.errorText().contains(u"output"))
            return QStringLiteral("--output needs a file name");
        return QStringLiteral("--days needs a number of days");
    }
    Options options;
    options.json = parser.isSet(json);
    options.dryRun = parser.isSet(dryRun);
    if (parser.isSet(days)) {
        const QString value = parser.value(days);
        bool ok = false;
        options.days = value.toInt(&ok);
        if (!ok || options.days < 0 || options.days > maxDays)
            return QStringLiteral("--days takes a whole number from 0 to %1, not \"%2\"")
                .arg(maxDays)
                .arg(value);
    }
    if (parser.isSet(format)) {
        options.format = Export::formatNamed(parser.value(format));
        if (!options.format)
            return QStringLiteral("--format takes json, csv or ics, not \"%1\"").arg(parser.value(format));
    }
    options.output = parser.value(output);
    if (parser.isSet(output) && options.output.isEmpty())
        return QStringLiteral("--output needs a file name");
    QStringList positional = parser.positionalArguments();
    if (!positional.isEmpty())
        options.command = positional.takeFirst();
    options.operands = positional;
    if (parser.isSet(help))
        options.command = QStringLiteral("help");
    return options;
}

void writeJson(QTextStream &out, const QJsonValue &value) {
    // Records hold only finite amounts once loaded, so this always succeeds.
    out << QString::fromUtf8(JsonWriter::write(value).value_or(QByteArrayLiteral("null\n")));
}

QString daysLabel(int days, bool zh) {
    if (days == 0)
        return zh ? QStringLiteral("今天") : QStringLiteral("Today");
    return zh ? QStringLiteral("%1天后").arg(days) : QStringLiteral("%1d").arg(days);
}

// Columns padded to the widest cell; wide characters count double so Chinese lines up.
void writeTable(QTextStream &out, const QList<QStringList> &rows) {
    const auto width = [](const QString &text) {
        int w = 0;
        for (const QChar c : text)
            w +=
                (c.unicode() >= 0x1100 && (c.script() == QChar::Script_Han || c.unicode() >= 0xFF00)) ? 2 : 1;
        return w;
    };
    QList<int> widths;
    for (const QStringList &row : rows) {
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (widths.size() <= i)
                widths << 0;
            widths[i] = qMax(widths[i], width(row[i]));
        }
    }
    for (const QStringList &row : rows) {
        QString line;
        for (qsizetype i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size())
                line += QString(widths[i] - width(row[i]) + 2, u' ');
        }
        while (line.endsWith(u' '))
            line.chop(1);
        out << line << '\n';
    }
}

int summary(const Options &options, const QList<Subscription> &subscriptions, const Environment &env,
            QTextStream &out) {
    const SummaryFigures f = summaryFigures(subscriptions, env.now, env.zone);
    if (options.json) {
        writeJson(out, QJsonObject{{QStringLiteral("monthlySpend"), f.monthlySpend},
                                   {QStringLiteral("yearly"), f.yearly},
                                   {QStringLiteral("active"), f.active},
                                   {QStringLiteral("dueSoon"), f.dueSoon},
                                   {QStringLiteral("totalMonthlyCNY"), f.totalMonthlyCNY}});
        return 0;
    }
    const bool zh = LocalizationManager::shared().isZh();
    writeTable(
        out,
        {
            {zh ? QStringLiteral("每月订阅支出") : QStringLiteral("Monthly spend"), f.monthlySpend},
            {zh ? QStringLiteral("每年支出") : QStringLiteral("Yearly"), f.yearly},
            {zh ? QStringLiteral("进行中") : QStringLiteral("Active"), QString::number(f.active)},
            {zh ? QStringLiteral("近 7 天待扣") : QStringLiteral("Due in 7d"), QString::number(f.dueSoon)},
        });
    return 0;
}

int upcoming(const Options &options, const QList<Subscription> &subscriptions, const Environment &env,
             QTextStream &out) {
    const QList<UpcomingCharge> charges =
        Aggregates::upcoming(subscriptions, options.days, env.now, env.zone);
    if (options.json) {
        QJsonArray array;
        for (const UpcomingCharge &c : charges)
            array.append(QJsonObject{
                {QStringLiteral("subscription"), c.sub.toJson()},
                {QStringLiteral("date"), c.date.toTimeZone(env.zone).date().toString(Qt::ISODate)},
                {QStringLiteral("days"), c.days}});
        writeJson(out, array);
        return 0;
    }
    const bool zh = LocalizationManager::shared().isZh();
    if (charges.isEmpty()) {
        out << (zh ? QStringLiteral("近期没有要扣费的订阅") : QStringLiteral("Nothing due soon")) << '\n';
        return 0;
    }
    QList<QStringList> rows;
    for (const UpcomingCharge &c : charges)
        rows << QStringList{c.date.toTimeZone(env.zone).date().toString(u"yyyy/MM/dd"), daysLabel(c.days, zh),
                            u'-' + Format::money(c.sub.amount, c.sub.currency), c.sub.name};
    writeTable(out, rows);
    return 0;
}

int list(const Options &options, const QList<Subscription> &subscriptions, const Environment &env,
         QTextStream &out) {
    const QList<Subscription> sorted = sortedSubs(subscriptions);
    if (options.json) {
        QJsonArray array;
        for (const Subscription &s : sorted)
            array.append(s.toJson());
        writeJson(out, array);
        return 0;
    }
    const bool zh = LocalizationManager::shared().isZh();
    QList<QStringList> rows;
    for (const Subscription &s : sorted) {
        const bool oneTime = s.billingType == BillingType::oneTime;
        QString next;
        if (const auto date = s.nextChargeDate(env.now, env.zone))
            next = date->toTimeZone(env.zone).date().toString(u"yyyy/MM/dd");
        QString state;
        if (!s.isActive)
            state = zh ? QStringLiteral("已暂停") : QStringLiteral("Paused");
        else if (oneTime)
            state = zh ? QStringLiteral("单次") : QStringLiteral("One-time");
        rows << QStringList{s.name,
                            Format::money(s.amount, s.currency),
                            oneTime ? QString() : label(s.cycle),
                            Format::categoryDisplay(s.category),
                            next.isEmpty() ? QStringLiteral("-") : next,
                            state};
    }
    writeTable(out, rows);
    return 0;
}

QString typeText(const Subscription &s, bool zh) {
    if (s.billingType == BillingType::oneTime)
        return zh ? QStringLiteral("单次买断") : QStringLiteral("One-time");
    return zh ? QStringLiteral("订阅续费") : QStringLiteral("Subscription");
}

void writeProposal(QTextStream &out, const Subscription &s, const Environment &env) {
    const bool zh = LocalizationManager::shared().isZh();
    writeTable(
        out,
        {
            {zh ? QStringLiteral("名称") : QStringLiteral("Name"), s.name},
            {zh ? QStringLiteral("金额") : QStringLiteral("Amount"), Format::money(s.amount, s.currency)},
            {zh ? QStringLiteral("币种") : QStringLiteral("Currency"), s.currency},
            {zh ? QStringLiteral("类型") : QStringLiteral("Type"), typeText(s, zh)},
            {zh ? QStringLiteral("周期") : QStringLiteral("Cycle"), label(s.cycle)},
            {zh ? QStringLiteral("开始日期") : QStringLiteral("Start"),
             s.startDate.toTimeZone(env.zone).date().toString(u"yyyy/MM/dd")},
            {zh ? QStringLiteral("分类") : QStringLiteral("Category"), Format::categoryDisplay(s.category)},
        });
    if (!s.notes.isEmpty())
        out << (zh ? QStringLiteral("备注") : QStringLiteral("Notes")) << ":\n" << s.notes << '\n';
}

int parse(const Options &options, const Environment &env, QTextStream &out, QTextStream &err) {
    constexpr qsizetype maxInput = 64 * 1024 * 1024;
    const QByteArray input = env.readInput ? env.readInput() : QByteArray();
    if (input.size() > maxInput) {
        err << "renewly-cli: the text on standard input is larger than 64 MB\n";
        return 1;
    }
    // Text saved on other systems ends its lines with CR LF; the parser reads lines split at LF.
    QString text = QString::fromUtf8(input);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const Subscription proposal = ReceiptParser::parse(text, env.now, env.zone);
    if (options.json)
        writeJson(out, proposal.toJson());
    else
        writeProposal(out, proposal, env);
    return 0;
}

int scan(const Options &options, const Environment &env, QTextStream &out, QTextStream &err) {
    if (options.operands.isEmpty()) {
        err << "renewly-cli: scan needs at least one image file (see renewly-cli --help)\n";
        return 2;
    }
    if (!env.recognizeFile) {
        err << "renewly-cli: this build has no text recogniser\n";
        return 1;
    }
    int code = 0;
    QJsonArray results;
    bool first = true;
    for (const QString &path : options.operands) {
        const std::optional<QString> text = env.recognizeFile(path);
        if (!text) {
            err << "renewly-cli: " << path << " is not a readable image\n";
            code = 1;
            continue;
        }
        const Subscription proposal = ReceiptParser::parse(*text, env.now, env.zone);
        if (options.json) {
            results.append(QJsonObject{{QStringLiteral("file"), path},
                                       {QStringLiteral("text"), *text},
                                       {QStringLiteral("proposal"), proposal.toJson()}});
            continue;
        }
        if (!first)
            out << '\n';
        first = false;
        out << "== " << path << " ==\n";
        if (!text->isEmpty())
            out << *text << '\n';
        out << "--\n";
        writeProposal(out, proposal, env);
        out.flush();
    }
    if (options.json)
        writeJson(out, results);
    return code;
}

int exportList(const Options &options, const QList<Subscription> &subscriptions, const Environment &env,
               QTextStream &out, QTextStream &err) {
    const auto bytes = Export::write(*options.format, subscriptions, env.now, env.zone);
    if (!bytes) {
        err << "renewly-cli: the list holds a record that cannot be written\n";
        return 1;
    }
    if (options.output.isEmpty()) {
        // Byte for byte, so that the CSV keeps its byte-order mark.
        out.flush();
        if (out.device())
            out.device()->write(*bytes);
        else
            out << QString::fromUtf8(*bytes);
        return 0;
    }
    // The companion never writes the list, not even by being pointed at it.
    const QFileInfo target(options.output);
    const QFileInfo list(env.filePath);
    if (target.exists() && list.exists() && target.canonicalFilePath() == list.canonicalFilePath()) {
        err << "renewly-cli: --output must not be the subscription list itself\n";
        return 1;
    }
    if (!SubscriptionFile::writeAtomically(options.output, *bytes)) {
        err << "renewly-cli: cannot write " << options.output << '\n';
        return 1;
    }
    return 0;
}

int importPreview(const Options &options, const QList<Subscription> &subscriptions, const Environment &env,
                  QTextStream &out, QTextStream &err) {
    const QString &path = options.operands.constFirst();
    const Import::Result result = Import::readFile(path, subscriptions, env.now, env.zone);
    if (!result.preview) {
        err << "renewly-cli: " << path << ": " << result.error << '\n';
        return 1;
    }
    const Import::Preview &preview = *result.preview;
    if (options.json) {
        QJsonArray entries;
        for (const Import::Entry &entry : preview.entries) {
            entries.append(QJsonObject{
                {QStringLiteral("record"), entry.record ? QJsonValue(entry.record->toJson()) : QJsonValue()},
                {QStringLiteral("problem"),
                 entry.problem ? QJsonValue(Import::describe(*entry.problem)) : QJsonValue()},
                {QStringLiteral("duplicate"), entry.duplicate}});
        }
        writeJson(out, QJsonObject{{QStringLiteral("format"), Import::formatName(preview.format)},
                                   {QStringLiteral("entries"), entries}});
        return 0;
    }
    const bool zh = LocalizationManager::shared().isZh();
    out << Import::formatTitle(preview.format, zh) << '\n';
    QList<QStringList> rows;
    int problems = 0, duplicates = 0;
    for (const Import::Entry &entry : preview.entries) {
        if (!entry.record) {
            ++problems;
            rows << QStringList{QStringLiteral("!"), entry.name, Import::describe(*entry.problem, zh)};
            continue;
        }
        const Subscription &s = *entry.record;
        duplicates += entry.duplicate;
        rows << QStringList{entry.duplicate ? QStringLiteral("=") : QStringLiteral("+"),
                            s.name,
                            Format::money(s.amount, s.currency),
                            s.billingType == BillingType::oneTime ? typeText(s, zh) : label(s.cycle),
                            s.startDate.toTimeZone(env.zone).date().toString(u"yyyy/MM/dd"),
                            entry.duplicate
                                ? (zh ? QStringLiteral("已在清单中") : QStringLiteral("already in the list"))
                                : QString()};
    }
    writeTable(out, rows);
    const qsizetype ready = preview.entries.size() - problems - duplicates;
    out << (zh ? QStringLiteral("可导入 %1 项，%2 项有问题，%3 项已在清单中；未做任何改动。")
               : QStringLiteral(
                     "%1 to import, %2 with a problem, %3 already in the list; nothing was changed."))
               .arg(ready)
               .arg(problems)
               .arg(duplicates)
        << '\n';
    return 0;
}

} // namespace

QString usage() {
    return QStringLiteral(
        "Usage: renewly-cli COMMAND [--json]\n"
        "\n"
        "Reads the Renewly subscription list; never changes it.\n"
        "\n"
        "Commands:\n"
        "  summary             monthly spend, yearly spend, active count, charges due in 7 days\n"
        "  upcoming [--days N] charges due from today to N days ahead (default 7)\n"
        "  list                every subscription, in the main window's order\n"
        "  parse               propose a subscription from receipt text on standard input\n"
        "  scan IMAGE...       recognise the text of receipt screenshots and propose a\n"
        "                      subscription for each\n"
        "  export --format json|csv|ics [--output FILE]\n"
        "                      the list as the list file's JSON, a spreadsheet's CSV or a\n"
        "                      calendar of the next 12 months' charges (standard output\n"
        "                      unless --output)\n"
        "  import --dry-run FILE\n"
        "                      what importing FILE in the app would add; changes nothing\n"
        "\n"
        "Options:\n"
        "  --json              machine-readable output\n"
        "  -h, --help          this help\n");
}

int run(const QStringList &arguments, const Environment &environment, QTextStream &out, QTextStream &err) {
    const auto parsed = parseArguments(arguments);
    if (const QString *complaint = std::get_if<QString>(&parsed)) {
        err << "renewly-cli: " << *complaint << " (see renewly-cli --help)\n";
        return 2;
    }
    const Options &options = std::get<Options>(parsed);
    if (options.command == u"help") {
        out << usage();
        return 0;
    }
    using Command = std::function<int(const Options &, const QList<Subscription> &, const Environment &,
                                      QTextStream &, QTextStream &)>;
    const auto quiet = [](auto command) {
        return [command](const Options &o, const QList<Subscription> &s, const Environment &e,
                         QTextStream &o2, QTextStream &) { return command(o, s, e, o2); };
    };
    const QList<std::pair<QString, Command>> commands{
        {QStringLiteral("summary"), quiet(summary)}, {QStringLiteral("upcoming"), quiet(upcoming)},
        {QStringLiteral("list"), quiet(list)},       {QStringLiteral("export"), exportList},
        {QStringLiteral("import"), importPreview},
    };
    const auto it = std::find_if(commands.cbegin(), commands.cend(),
                                 [&](const auto &entry) { return entry.first == options.command; });
    const bool receiptCommand = options.command == u"parse" || options.command == u"scan";
    if (options.command.isEmpty() || (it == commands.cend() && !receiptCommand)) {
        err << "renewly-cli: "
            << (options.command.isEmpty() ? QStringLiteral("no command given")
                                          : QStringLiteral("unknown command \"%1\"").arg(options.command))
            << " (see renewly-cli --help)\n";
        return 2;
    }
    if (options.days != 7 && options.command != u"upcoming") {
        err << "renewly-cli: --days only goes with upcoming\n";
        return 2;
    }
    const bool exporting = options.command == u"export";
    if ((options.format || !options.output.isEmpty()) && !exporting) {
        err << "renewly-cli: " << (options.format ? "--format" : "--output") << " only goes with export\n";
        return 2;
    }
    if (exporting && !options.format) {
        err << "renewly-cli: export needs --format json, csv or ics (see renewly-cli --help)\n";
        return 2;
    }
    const bool importing = options.command == u"import";
    if (options.dryRun != importing) {
        err << "renewly-cli: "
            << (importing ? "import only previews here and needs --dry-run; the app imports"
                          : "--dry-run only goes with import")
            << '\n';
        return 2;
    }
    if (importing && options.operands.size() != 1) {
        err << "renewly-cli: "
            << (options.operands.isEmpty()
                    ? QStringLiteral("import needs one file (see renewly-cli --help)")
                    : QStringLiteral("unexpected argument \"%1\"").arg(options.operands[1]))
            << '\n';
        return 2;
    }
    if (options.command == u"scan")
        return scan(options, environment, out, err);
    if (!options.operands.isEmpty() && !importing) {
        err << "renewly-cli: unexpected argument \"" << options.operands.first() << "\"\n";
        return 2;
    }
    if (options.command == u"parse")
        return parse(options, environment, out, err);
    const SubscriptionFile::LoadResult loaded = SubscriptionFile::load(environment.filePath);
    if (loaded.status == SubscriptionFile::LoadStatus::unreadable) {
        err << "renewly-cli: " << environment.filePath << " cannot be read as a subscription list\n";
        return 1;
    }
    return it->second(options, loaded.subscriptions, environment, out, err);
}

} // namespace Cli
