#pragma once

#include <QWidget>

#include <functional>

class QLayout;
class QVBoxLayout;
class Store;
struct UpcomingCharge;

// The compact panel under the tray icon: monthly spend, yearly estimate, the next charges of the
// week, and the ways out (open the main window, quit). It edits nothing and redraws from the store
// and the language whenever either changes.
class MenuBarView : public QWidget {
    Q_OBJECT
public:
    static constexpr int panelWidth = 300;
    static constexpr int maxRows = 4;
    static constexpr int windowDays = 7;

    MenuBarView(Store &store, std::function<void()> onOpen, std::function<void()> onQuit,
                QWidget *parent = nullptr);

    // Texts of the panel in the given language.
    static QString yearlyLine(double monthlyCNY, qsizetype activeCount, bool isZh);
    static QString daysLabel(int days, bool isZh);

public Q_SLOTS:
    // Rebuilds every part from the store and the language of this moment.
    void rebuild();

Q_SIGNALS:
    void rebuilt();

private:
    QWidget *buildContent();
    QLayout *buildHeader(QWidget *content);
    QLayout *buildSummary(QWidget *content);
    QLayout *buildUpcoming(QWidget *content);
    QWidget *buildChargeRow(const UpcomingCharge &charge, QWidget *content);
    QLayout *buildFooter(QWidget *content);

    Store &m_store;
    std::function<void()> m_onOpen;
    std::function<void()> m_onQuit;
    QVBoxLayout *m_layout = nullptr;
    QWidget *m_content = nullptr;
};
