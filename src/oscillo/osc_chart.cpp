#include "oscillo/osc_chart.h"

#include "oscillo/osc_axis_rect.h"
#include "oscillo/osc_plottable.h"

#include <algorithm>
#include <cmath>

namespace {

const QColor SkyBlue(0xA6, 0xCA, 0xF0);
const QColor LeftLabels(0x00, 0x80, 0x00);   // green
const QColor CustomLabels(0x00, 0x00, 0xFF); // blue
const QColor GridLines(0x88, 0xAC, 0xD4);

QColor rgbColour(std::uint32_t rgb) {
    return QColor(static_cast<int>((rgb >> 16) & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                  static_cast<int>(rgb & 0xFF));
}

} // namespace

OscChart::OscChart(OscRecording& recording, QWidget* parent)
    : QCustomPlot(parent), m_recording(recording) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setBackground(QBrush(SkyBlue));

    // One plot area of our own in place of the default one.
    plotLayout()->clear();
    m_rect = new OscAxisRect(this);
    plotLayout()->addElement(0, 0, m_rect);
    plotLayout()->setMargins(QMargins(10, 0, 0, 0));
    xAxis = m_rect->timeAxis();
    yAxis = m_rect->leftAxis();
    xAxis2 = nullptr;
    yAxis2 = nullptr;
    // The data lines are drawn on "main" into the raster, which "raster" puts on screen;
    // end marks lie above them.
    addLayer(QStringLiteral("raster"), layer(QStringLiteral("main")), QCustomPlot::limAbove);
    addLayer(QStringLiteral("marks"), layer(QStringLiteral("raster")), QCustomPlot::limAbove);
    new OscRasterLayerable(this, m_raster, QStringLiteral("raster"));
    setCurrentLayer(QStringLiteral("main"));

    QCPAxis* t = m_rect->timeAxis();
    t->setNumberFormat(QStringLiteral("f"));
    t->setNumberPrecision(0);
    t->ticker()->setTickCount(12);
    t->grid()->setPen(QPen(GridLines, 0, Qt::DotLine));
    for (QCPAxis* a : {m_rect->leftAxis(), m_rect->customAxis()}) {
        a->grid()->setPen(QPen(GridLines, 0, Qt::DotLine));
        a->grid()->setZeroLinePen(Qt::NoPen);
        a->ticker()->setTickCount(5);
    }
    m_rect->leftAxis()->setTickLabelColor(LeftLabels);
    m_rect->customAxis()->setTickLabelColor(CustomLabels);
    applyScales();
    applyTimeRange(m_recording.timeMin(), m_recording.timeMax());

    m_zeroLine = new QCPItemStraightLine(this);
    m_zeroLine->setPen(QPen(Qt::black, 2));
    m_zeroLine->setSelectable(false);
    for (QCPItemPosition* p : {m_zeroLine->point1, m_zeroLine->point2})
        p->setAxes(m_rect->timeAxis(), m_rect->leftAxis());
    m_zeroLine->point1->setCoords(0, 0);
    m_zeroLine->point2->setCoords(1, 0);

    for (const auto& s : m_recording.series())
        addPlottable(s.get());
    for (const auto& m : m_recording.endMarks())
        addEndMarkLine(m);
    connect(&m_recording, &OscRecording::seriesAdded, this, &OscChart::addPlottable);
    connect(&m_recording, &OscRecording::seriesChanged, this, &OscChart::updateSeries);
    connect(&m_recording, &OscRecording::endMarkAdded, this, &OscChart::addEndMarkLine);
    connect(&m_recording, &OscRecording::timeRangeChanged, this, &OscChart::applyTimeRange);
    connect(&m_recording, &OscRecording::scalesChanged, this, &OscChart::applyScales);
    connect(&m_recording, &OscRecording::pointsCleared, this, &OscChart::requestReplot);

    m_pause.setSingleShot(true);
    connect(&m_pause, &QTimer::timeout, this, [this] {
        if (m_pending)
            replotNow();
    });
}

OscChart::~OscChart() {
    // Plottables refer to the recording's series; drop them while both still exist.
    clearPlottables();
}

QCPAxis* OscChart::timeAxis() const {
    return m_rect->timeAxis();
}
QCPAxis* OscChart::leftAxis() const {
    return m_rect->leftAxis();
}
QCPAxis* OscChart::customAxis() const {
    return m_rect->customAxis();
}

OscPlottable* OscChart::plottableOf(const OscSeries* series) const {
    const auto it = m_plottables.find(series);
    return it == m_plottables.end() ? nullptr : it->second;
}

QCPItemStraightLine* OscChart::endMarkLine(std::size_t i) const {
    return i < m_endMarks.size() ? m_endMarks[i] : nullptr;
}

void OscChart::addPlottable(OscSeries* series) {
    QCPAxis* value = series->axis() == OscAxis::Left ? m_rect->leftAxis() : m_rect->customAxis();
    m_plottables[series] = new OscPlottable(m_rect->timeAxis(), value, *series, &m_raster);
    updateSeries(series);
}

void OscChart::updateSeries(OscSeries* series) {
    OscPlottable* p = plottableOf(series);
    if (!p)
        return;
    QPen pen(rgbColour(series->colour()), 1);
    pen.setCosmetic(true);
    p->setPen(pen);
    p->setName(series->title());
    p->setVisible(series->isActive());
    requestReplot();
}

void OscChart::addEndMarkLine(const OscRecording::EndMark& mark) {
    auto* line = new QCPItemStraightLine(this);
    line->setLayer(QStringLiteral("marks"));
    line->setPen(QPen(rgbColour(mark.rgb), mark.width));
    line->setSelectable(false);
    for (QCPItemPosition* p : {line->point1, line->point2})
        p->setAxes(m_rect->timeAxis(), m_rect->leftAxis());
    line->point1->setCoords(static_cast<double>(mark.x), 0);
    line->point2->setCoords(static_cast<double>(mark.x), 1);
    m_endMarks.push_back(line);
    requestReplot();
}

void OscChart::applyTimeRange(double min, double max) {
    m_rect->timeAxis()->setRange(min, max);
    requestReplot();
}

void OscChart::applyScales() {
    m_rect->setLeftMax(m_recording.leftMax());
    m_rect->setCustomMax(m_recording.customMax());
    requestReplot();
}

void OscChart::requestReplot() {
    if (!isVisible())
        return; // drawn when shown
    // Requests made in one pass of the event loop, or during the pause after a redraw,
    // come to one redraw.
    m_pending = true;
    if (!m_pause.isActive())
        m_pause.start(0);
}

void OscChart::replotNow() {
    m_pending = false;
    QElapsedTimer t;
    t.start();
    replot(QCustomPlot::rpQueuedRefresh);
    m_lastReplotMs = static_cast<double>(t.nsecsElapsed()) / 1e6;
    // A stream asks after every frame: redraw at most 15 times a second, and with ten times
    // the last redraw's duration in between, so drawing takes a tenth of the time at most.
    const int pause = std::clamp(static_cast<int>(std::ceil(m_lastReplotMs * 10.0)), 66, 1000);
    m_pause.start(pause);
}
