// Writes PNG pictures of the tray panel and the main window in both languages, from sample data at
// a fixed moment, for looking at the layout. Run through scripts/screenshots.sh.
#include "TestSupport.h"

#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "app/MenuBarView.h"
#include "settings/LocalizationManager.h"
#include "store/Store.h"
#include "views/BrandAvatar.h"
#include "views/SoftButton.h"
#include "views/Symbols.h"
#include "views/Theme.h"

#include <QApplication>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <cstdio>

namespace {

QDateTime fixedNow() {
    return QDateTime(QDate(2025, 3, 10), QTime(9, 0), QTimeZone::systemTimeZone());
}

bool save(QWidget &widget, const QString &path) {
    widget.show();
    if (!QTest::qWaitForWindowExposed(&widget))
        return false;
    QTest::qWait(100);
    const bool ok = widget.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    widget.hide();
    return ok;
}

bool shoot(LocalizationManager::Lang lang, const QString &suffix, const QDir &out) {
    LocalizationManager::shared().setLang(lang);
    QTemporaryDir dir;
    const ManualClock clock(fixedNow(), QTimeZone::systemTimeZone(), ManualClock::Scope::installed);
    bool ok = true;

    Store empty(dir.filePath(QStringLiteral("empty.json")));
    MenuBarView emptyPanel(empty, {}, {});
    ok &= save(emptyPanel, out.filePath(QStringLiteral("panel-empty-%1.png").arg(suffix)));

    Store samples(dir.filePath(QStringLiteral("samples.json")));
    samples.loadSampleData(fixedNow(), QTimeZone::systemTimeZone());
    // One more due today and one with a long name, so every kind of row shows.
    samples.add(Subscription::make(QStringLiteral("Adobe Creative Cloud All Apps with a very long plan name"),
                                   59.99, QStringLiteral("USD"), BillingType::recurring,
                                   BillingCycle::monthly, fixedNow().addMonths(-2).toUTC(),
                                   QStringLiteral("软件"), QString()));
    samples.add(Subscription::make(QStringLiteral("Nintendo Switch Online"), 34.99, QStringLiteral("HKD"),
                                   BillingType::recurring, BillingCycle::monthly,
                                   fixedNow().addDays(-28).toUTC(), QStringLiteral("游戏"), QString()));
    MenuBarView panel(samples, {}, {});
    ok &= save(panel, out.filePath(QStringLiteral("panel-%1.png").arg(suffix)));

    AppDelegate::Options options;
    options.storePath = dir.filePath(QStringLiteral("samples.json"));
    AppDelegate delegate(options);
    delegate.buildApplicationMenu();
    delegate.showMainWindow();
    ok &= save(*delegate.window(), out.filePath(QStringLiteral("main-%1.png").arg(suffix)));
    return ok;
}

// Every symbol at the sizes the views use, the badges and the two button looks, on the card colour.
bool shootKit(const QDir &out) {
    QWidget sheet;
    sheet.setAutoFillBackground(true);
    QPalette p = sheet.palette();
    p.setColor(QPalette::Window, Theme::card());
    sheet.setPalette(p);
    auto *grid = new QGridLayout(&sheet);
    grid->setSpacing(14);
    const QStringList names = Symbols::names();
    for (int i = 0; i < names.size(); ++i) {
        auto *cell = new QWidget(&sheet);
        auto *row = new QHBoxLayout(cell);
        row->setContentsMargins(0, 0, 0, 0);
        row->addWidget(new SymbolView(names.at(i), 12, Theme::text(), Symbols::Weight::semibold, cell));
        row->addWidget(new SymbolView(names.at(i), 16, Theme::text(), Symbols::Weight::regular, cell));
        row->addWidget(
            new SymbolView(names.at(i), 36, Theme::textTertiary(), Symbols::Weight::regular, cell));
        auto *label = new QLabel(names.at(i), cell);
        Theme::style(label, Theme::font(11), Theme::textSecondary());
        row->addWidget(label);
        grid->addWidget(cell, i / 4, i % 4);
    }
    const int last = int(names.size() + 3) / 4;
    int column = 0;
    for (const auto &[name, size, dimmed] :
         {std::tuple{"netflix", 42.0, false}, std::tuple{"网易云", 52.0, false},
          std::tuple{"  ßtudio", 38.0, false}, std::tuple{"paused", 42.0, true}})
        grid->addWidget(new BrandAvatar(QString::fromUtf8(name), size, dimmed, &sheet), last, column++);
    grid->addWidget(
        new SoftButton(
            {.title = QStringLiteral("Add manually"), .icon = QStringLiteral("plus"), .prominent = true}),
        last + 1, 0);
    grid->addWidget(
        new SoftButton({.title = QStringLiteral("Load samples"), .icon = QStringLiteral("sparkles")}),
        last + 1, 1);
    grid->addWidget(new SoftButton({.title = QStringLiteral("No icon")}), last + 1, 2);
    return save(sheet, out.filePath(QStringLiteral("kit.png")));
}

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    AppDelegate::applyDarkLook();
    const QString outPath = app.arguments().value(1, QStringLiteral("screenshots"));
    QDir().mkpath(outPath);
    const QDir out(outPath);
    bool ok = shoot(LocalizationManager::Lang::en, QStringLiteral("en"), out);
    ok &= shoot(LocalizationManager::Lang::zh, QStringLiteral("zh"), out);
    ok &= shootKit(out);
    return ok ? 0 : 1;
}
