#include "serial/com_select_form.h"

#include "protocol/coloured_lines.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QStandardItemModel>
#include <QTableView>

namespace {

constexpr int ClientWidth = 223;
constexpr int ClientHeight = 37;

QFont pixelFont(int pixels) {
    QFont f;
    f.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans")});
    f.setPixelSize(pixels);
    return f;
}

} // namespace

TComSelectForm::TComSelectForm(int currentPort, std::function<void(int)> storePort, DebugLog* log,
                               QWidget* parent)
    : QDialog(parent), m_currentPort(currentPort), m_storePort(std::move(storePort)), m_log(log) {
    setObjectName(QStringLiteral("ComSelectForm"));
    setWindowTitle(QStringLiteral("Select Com port"));
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(ClientWidth, ClientHeight);
    setFont(pixelFont(11));

    ComChooce = new QComboBox(this);
    ComChooce->setObjectName(QStringLiteral("ComChooce"));
    ComChooce->setGeometry(8, 8, 105, ComChooce->sizeHint().height());
    ComChooce->setPlaceholderText(QStringLiteral("Select com port"));

    // The popup shows the number and, beside it, the device behind it.
    auto* model = new QStandardItemModel(0, 2, ComChooce);
    ComChooce->setModel(model);
    auto* view = new QTableView(ComChooce);
    view->horizontalHeader()->hide();
    view->verticalHeader()->hide();
    view->setShowGrid(false);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->horizontalHeader()->setStretchLastSection(true);
    view->setWordWrap(false);
    ComChooce->setView(view);
    ComChooce->setModelColumn(0);

    Label1 = new QLabel(QStringLiteral("Select com port"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(pixelFont(13));
    Label1->move(120, 11);
    Label1->adjustSize();

    connect(ComChooce, &QComboBox::activated, this, &TComSelectForm::ComChooceSelect);
}

QString TComSelectForm::describe(const ComPortInfo& port) {
    QString text = port.device;
    if (!port.product.isEmpty())
        text += QStringLiteral(" — ") + port.product;
    if (!port.accessible)
        text += QStringLiteral(" (no permission: join the dialout group)");
    else if (port.inUse)
        text += QStringLiteral(" (in use)");
    return text;
}

void TComSelectForm::setPorts(const QList<ComPortInfo>& ports) {
    auto* model = static_cast<QStandardItemModel*>(ComChooce->model());
    model->removeRows(0, model->rowCount());
    int widest = 0;
    const QFontMetrics fm(ComChooce->view()->font());
    for (const ComPortInfo& port : ports) {
        const QString description = describe(port);
        auto* number = new QStandardItem(QString::number(port.number));
        number->setToolTip(description);
        auto* device = new QStandardItem(description);
        device->setToolTip(description);
        device->setFlags(number->flags());
        model->appendRow({number, device});
        widest = qMax(widest, fm.horizontalAdvance(description));
    }
    ComChooce->setCurrentIndex(-1);
    auto* view = static_cast<QTableView*>(ComChooce->view());
    view->resizeColumnToContents(0);
    view->setColumnWidth(0, view->columnWidth(0) + 12);
    view->setMinimumWidth(view->columnWidth(0) + widest + 32);
    view->resizeRowsToContents();
}

void TComSelectForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TComSelectForm::FormShow() {
    if (m_currentPort <= 0)
        return;
    const int index = ComChooce->findText(QString::number(m_currentPort), Qt::MatchExactly);
    if (index >= 0)
        ComChooce->setCurrentIndex(index);
}

void TComSelectForm::ComChooceSelect(int index) {
    if (index < 0 || index >= ComChooce->count())
        return;
    const QString text = ComChooce->itemText(index);
    const int port = text.toInt();
    if (m_storePort)
        m_storePort(port);
    if (m_log && m_log->collecting()) {
        m_log->add(QStringLiteral("COM-Port selection"));
        m_log->add(QStringLiteral("Port:") + QString::number(port));
        m_log->add(QStringLiteral("Str in C-box:") + text);
        m_log->add(QStringLiteral("Ind in C-box:") + QString::number(index));
    }
    accept();
}
