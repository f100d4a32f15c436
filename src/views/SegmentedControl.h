#pragma once

#include <QList>
#include <QString>
#include <QWidget>

#include <optional>

class QButtonGroup;
class QPushButton;

// A row of mutually exclusive segments, each with a title and an integer value. The selection may
// also be empty, when the bound value is none of the offered ones.
class SegmentedControl : public QWidget {
    Q_OBJECT
public:
    explicit SegmentedControl(QWidget *parent = nullptr);

    // Replaces the segments; the selection is kept when its value is still offered.
    void setSegments(const QList<std::pair<QString, int>> &segments);
    // Only the titles, in order; the values stay.
    void setTitles(const QStringList &titles);
    // Selects the segment with `value`, or none when no segment has it.
    void setValue(std::optional<int> value);
    std::optional<int> value() const;

    int count() const;
    QPushButton *segment(int index) const;
    QPushButton *segmentForValue(int value) const;
    QStringList titles() const;

Q_SIGNALS:
    // The user picked the segment with `value` (not emitted by setValue).
    void activated(int value);

private:
    QButtonGroup *m_group;
    QList<QPushButton *> m_segments;
    QList<int> m_values;
};
