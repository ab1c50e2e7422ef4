#include "values/select_sensor_dlg.h"

#include <QCloseEvent>
#include <QListWidget>
#include <QPushButton>
#include <QScopedValueRollback>

namespace {
const QColor SkyBlue(0xA6, 0xCA, 0xF0);
constexpr int ItemHeight = 13;
} // namespace

TSelectSensorDlg::TSelectSensorDlg(const QString& shortName, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Sensors - ") + shortName);
    resize(198, 299);
    setMaximumSize(198, 299);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, SkyBlue);
    pal.setColor(QPalette::Base, SkyBlue);
    setPalette(pal);
    setAutoFillBackground(true);

    Select_List = new QListWidget(this);
    Select_List->setObjectName(QStringLiteral("Select_List"));
    Select_List->setGeometry(0, 0, 199, 266);
    Select_List->setUniformItemSizes(true);
    QFont listFont = Select_List->font();
    listFont.setPixelSize(11);
    Select_List->setFont(listFont);
    connect(Select_List, &QListWidget::itemChanged, this, [this](QListWidgetItem*) {
        if (!m_filling)
            Changed = true;
    });

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setGeometry(13, 271, 75, 25);
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &TSelectSensorDlg::OKBtnClick);

    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(110, 271, 75, 25);
    connect(CancelBtn, &QPushButton::clicked, this, &TSelectSensorDlg::reject);
}

void TSelectSensorDlg::clearItems() {
    const QScopedValueRollback filling(m_filling, true);
    Select_List->clear();
}

int TSelectSensorDlg::addItem(const QString& name) {
    const QScopedValueRollback filling(m_filling, true);
    auto* item = new QListWidgetItem(name);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
    item->setCheckState(Qt::Checked);
    item->setSizeHint(QSize(0, ItemHeight));
    Select_List->addItem(item);
    return Select_List->count() - 1;
}

int TSelectSensorDlg::count() const {
    return Select_List->count();
}

bool TSelectSensorDlg::isChecked(int index) const {
    if (index < 0 || index >= Select_List->count())
        return false;
    return Select_List->item(index)->checkState() == Qt::Checked;
}

void TSelectSensorDlg::setChecked(int index, bool on) {
    if (index < 0 || index >= Select_List->count())
        return;
    const QScopedValueRollback filling(m_filling, true);
    Select_List->item(index)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

void TSelectSensorDlg::OKBtnClick() {
    Changed = true;
    accept();
}

void TSelectSensorDlg::reject() {
    if (Changed)
        restoreSnapshot();
    Changed = false;
    QDialog::reject();
}

void TSelectSensorDlg::showEvent(QShowEvent* event) {
    Changed = false;
    takeSnapshot();
    QDialog::showEvent(event);
}

void TSelectSensorDlg::hideEvent(QHideEvent* event) {
    m_snapshot.clear();
    QDialog::hideEvent(event);
}

void TSelectSensorDlg::closeEvent(QCloseEvent* event) {
    // The window's close box neither applies nor restores: Changed and the marks
    // stay as the clicks left them.
    if (isVisible())
        QDialog::done(QDialog::Rejected);
    event->accept();
}

void TSelectSensorDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    // The list keeps its margins to all four sides.
    Select_List->setGeometry(0, 0, width() + 1, height() - 33);
}

void TSelectSensorDlg::takeSnapshot() {
    m_snapshot.clear();
    m_snapshot.reserve(Select_List->count());
    for (int i = 0; i < Select_List->count(); ++i) {
        const QListWidgetItem* item = Select_List->item(i);
        m_snapshot.append({item->text(), item->checkState() == Qt::Checked});
    }
}

void TSelectSensorDlg::restoreSnapshot() {
    const QList<Item> items = m_snapshot;
    clearItems();
    for (const Item& item : items)
        setChecked(addItem(item.text), item.checked);
}
