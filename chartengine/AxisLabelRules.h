#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// The label formats of one axis: a list of rules, each with a condition on the
// distance between labels and an ordered list of (filter, format). A label takes
// the format of the first filter it passes in the first rule that holds.
class AxisLabelRules
{
public:
    void setFormatCondition(const QString &condition, double operand = 0);
    void setLabelFormat(const QString &format);
    void addMultiFormat(int filter, const QString &format, int labelSpan = 1);
    bool isEmpty() const { return m_rules.empty(); }

    // Labels for ticks in ascending order, step being the distance between
    // them. Ticks that pass no filter get an empty label.
    QStringList labels(const std::vector<double> &ticks, double step,
                       const QString &defaultFormat) const;

    static bool conditionHolds(const QString &condition, double operand, double step);
    // prev is null for the first label.
    static bool passes(int filter, double t, const double *prev);

private:
    struct Entry
    {
        int filter;
        QString format;
        int labelSpan;
    };
    struct Rule
    {
        QString condition;
        double operand = 0;
        std::vector<Entry> entries;
    };
    Rule &current();

    std::vector<Rule> m_rules;
};
