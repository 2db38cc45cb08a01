#include "EventsView.h"

#include "EventsLoader.h"
#include "EventsModel.h"
#include "core/ChannelUnit.h"
#include "ui_EventsView.h"

#include <QHeaderView>

EventsView::EventsView(QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::EventsView>()), m_model(new EventsModel(this))
{
    ui->setupUi(this);
    ui->table_events->setModel(m_model);
    QHeaderView *header = ui->table_events->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->resizeSection(EventsModel::TimeColumn,
                          fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00 00:00:00")) +
                              24);
    ui->combo_device->addItem(QStringLiteral("All devices"), QString());
    connect(ui->combo_device, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &EventsView::slotFilterChanged);
    m_timer.setInterval(RefreshMs);
    connect(&m_timer, &QTimer::timeout, this, &EventsView::slotTimer);
}

// A read still running must not be deleted with the view: it is let go and
// deletes itself when done.
EventsView::~EventsView()
{
    const QList<EventsLoader *> loaders = findChildren<EventsLoader *>();
    for (EventsLoader *loader : loaders) {
        disconnect(loader, nullptr, this, nullptr);
        loader->setParent(nullptr);
    }
}

void EventsView::setDatabasePath(const QString &path)
{
    m_path = path;
    refresh();
}

void EventsView::setDevices(const QList<DeviceSettings> &devices)
{
    m_devices = devices;
    m_model->setNames(EventNames(devices, &ChannelUnit::symbol));
    if (!fillFilter())
        refresh();
}

QString EventsView::deviceFilter() const
{
    return ui->combo_device->currentData().toString();
}

void EventsView::setDeviceFilter(const QString &serialNo)
{
    const int index = ui->combo_device->findData(serialNo);
    ui->combo_device->setCurrentIndex(index < 0 ? 0 : index);
}

// The project's devices by name, then those that only the log still knows.
// False when the device shown is in neither any more.
bool EventsView::fillFilter()
{
    const QString current = deviceFilter();
    QSignalBlocker block(ui->combo_device);
    while (ui->combo_device->count() > 1)
        ui->combo_device->removeItem(1);
    QStringList known;
    for (const DeviceSettings &d : qAsConst(m_devices)) {
        ui->combo_device->addItem(d.deviceName.isEmpty() ? d.deviceNumber : d.deviceName,
                                  d.deviceNumber);
        known << d.deviceNumber;
    }
    for (const QString &serial : qAsConst(m_logSerials)) {
        if (!known.contains(serial))
            ui->combo_device->addItem(serial + QStringLiteral(" (removed)"), serial);
    }
    const int index = ui->combo_device->findData(current);
    ui->combo_device->setCurrentIndex(index < 0 ? 0 : index);
    return index >= 0;
}

void EventsView::refresh()
{
    ++m_generation;
    if (m_loading)
        m_again = true;
    else
        start();
}

void EventsView::start()
{
    if (m_path.isEmpty())
        return;
    EventReader::Query query;
    query.serialNo = deviceFilter();
    query.limit = RowLimit;
    auto *loader = new EventsLoader(m_path, query, m_generation, this);
    connect(loader, &EventsLoader::loaded, this, &EventsView::slotLoaded);
    m_loading = true;
    loader->start(QThread::LowPriority);
}

void EventsView::slotLoaded(int generation, const QVector<EventRecord> &events,
                            const QStringList &serials, const QString &errorText)
{
    m_loading = false;
    if (generation == m_generation) {
        m_model->setEvents(events);
        fitColumns();
        m_logSerials = serials;
        fillFilter();
        if (!errorText.isEmpty())
            ui->label_count->setText(QStringLiteral("The event log cannot be read"));
        else if (events.isEmpty())
            ui->label_count->setText(QStringLiteral("No events"));
        else if (events.size() == 1)
            ui->label_count->setText(QStringLiteral("1 event"));
        else if (events.size() >= RowLimit)
            ui->label_count->setText(QStringLiteral("Newest %1 events").arg(events.size()));
        else
            ui->label_count->setText(QStringLiteral("%1 events").arg(events.size()));
        ui->label_count->setToolTip(errorText);
        emit refreshed(events.size(), errorText);
    }
    if (m_again) {
        m_again = false;
        start();
    }
}

// Names and values as wide as they are, within reason, so that the detail
// keeps room beside the dashboard's device list; what is cut off is in the
// row's tool tip.
void EventsView::fitColumns()
{
    const int em = fontMetrics().horizontalAdvance(QLatin1Char('M'));
    const int maxWidths[] = {10 * em, 9 * em, 18 * em, 8 * em, 8 * em};
    for (int c = EventsModel::DeviceColumn; c < EventsModel::DetailColumn; ++c) {
        ui->table_events->resizeColumnToContents(c);
        const int maxWidth = maxWidths[c - EventsModel::DeviceColumn];
        if (ui->table_events->columnWidth(c) > maxWidth)
            ui->table_events->setColumnWidth(c, maxWidth);
    }
}

void EventsView::slotFilterChanged()
{
    refresh();
}

void EventsView::slotTimer()
{
    if (!m_loading)
        refresh();
}

void EventsView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refresh();
    m_timer.start();
}

void EventsView::hideEvent(QHideEvent *event)
{
    m_timer.stop();
    QWidget::hideEvent(event);
}
