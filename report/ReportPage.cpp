#include "ReportPage.h"

#include "ReportLogging.h"

#include <QWebElement>
#include <QWebFrame>

void ReportPage::setText(const QString &selector, const QString &name, const QString &text,
                         QStringList &missing) const
{
    QWebElement element = m_frame->findFirstElement(selector);
    if (element.isNull()) {
        qCDebug(lcReport).noquote() << name + QStringLiteral(" is not found");
        missing << name;
        return;
    }
    element.setPlainText(text);
}

QStringList ReportPage::fillElements(const Header &header) const
{
    QStringList missing;
    setText(QStringLiteral("span#printingTime"), QStringLiteral("printingTime"),
            header.printingTime, missing);
    setText(QStringLiteral("div#ReportTimeStart"), QStringLiteral("ReportTimeStart"), header.start,
            missing);
    setText(QStringLiteral("div#ReportTimeEnd"), QStringLiteral("ReportTimeEnd"), header.end,
            missing);
    setText(QStringLiteral("div#ReportSubject"), QStringLiteral("ReportSubject"), header.subject,
            missing);
    setText(QStringLiteral("div#ReportAuthor"), QStringLiteral("ReportAuthor"), header.author,
            missing);
    setText(QStringLiteral("div#ReportDuration"), QStringLiteral("ReportDuration"),
            header.start + QStringLiteral(" ~ ") + header.end, missing);
    for (int n = 1; n <= 4; ++n) {
        const QString selector = QStringLiteral("div#Channel%1Info").arg(n);
        setText(selector, selector, header.channelInfo.value(n - 1), missing);
    }
    return missing;
}

QString ReportPage::setChartInputs(const QString &minPeriod, const QString &chartData,
                                   const QString &graphData) const
{
    const struct
    {
        QString name;
        QString value;
    } inputs[] = {{QStringLiteral("minPeriod"), minPeriod},
                  {QStringLiteral("ChartData"), chartData},
                  {QStringLiteral("GraphData"), graphData}};
    for (const auto &input : inputs) {
        QWebElement element = m_frame->findFirstElement(QStringLiteral("input#") + input.name);
        if (element.isNull()) {
            const QString message =
                QStringLiteral("there is not exist the tag \"%1\".").arg(input.name);
            qCDebug(lcReport).noquote() << message;
            return message;
        }
        element.setAttribute(QStringLiteral("value"), input.value);
        if (input.name == QLatin1String("minPeriod"))
            qCDebug(lcReport).noquote() << "the tag \"minPeriod\" :" << input.value;
    }
    m_frame->evaluateJavaScript(QStringLiteral("makeChart();"));
    return QString();
}

bool ReportPage::setTable(const QString &markup) const
{
    return setDivision(QStringLiteral("ReportTable"), markup);
}

bool ReportPage::setSummary(const QString &markup) const
{
    return setDivision(QStringLiteral("DaySummary"), markup);
}

bool ReportPage::setEvents(const QString &markup) const
{
    return setDivision(QStringLiteral("DayEvents"), markup);
}

bool ReportPage::setDivision(const QString &id, const QString &markup) const
{
    QWebElement element = m_frame->findFirstElement(QStringLiteral("div#") + id);
    if (element.isNull()) {
        qCDebug(lcReport).noquote() << id << "is not found";
        return false;
    }
    element.setInnerXml(markup);
    return true;
}
