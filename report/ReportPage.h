#pragma once

#include <QString>
#include <QStringList>

class QWebFrame;

// Fills the report form's elements. Texts from the user and the project
// file go in as plain text, never as mark-up.
class ReportPage
{
public:
    struct Header
    {
        QString printingTime;
        QString start;
        QString end;
        QString subject;
        QString author;
        QStringList channelInfo; // up to four, in selection order
    };

    explicit ReportPage(QWebFrame *frame) : m_frame(frame) {}

    // Returns the names of the elements that were not found.
    QStringList fillElements(const Header &header) const;
    // Sets the chart inputs and draws the chart; returns the message to show
    // when an input is missing (the chart is not drawn then).
    QString setChartInputs(const QString &minPeriod, const QString &chartData,
                           const QString &graphData) const;
    bool setTable(const QString &markup) const;
    // The period's events below the day summary ("div#DayEvents").
    bool setEvents(const QString &markup) const;
    // The day summary below the hourly table ("div#DaySummary").
    bool setSummary(const QString &markup) const;

private:
    bool setDivision(const QString &id, const QString &markup) const;
    void setText(const QString &selector, const QString &name, const QString &text,
                 QStringList &missing) const;

    QWebFrame *m_frame;
};
