#pragma once

#include <QDialog>
#include <QList>
#include <QString>

class QListWidget;
class QPushButton;

// A unit's sensor selection: a check list of its supported registers. Changed says
// whether the marks are to be applied when the dialog has closed; Cancel or Esc
// puts back the marks it showed when it opened.
class TSelectSensorDlg : public QDialog {
    Q_OBJECT
public:
    explicit TSelectSensorDlg(const QString& shortName, QWidget* parent = nullptr);

    QListWidget* Select_List = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

    bool Changed = false;

    void clearItems();
    // Appends a checked item; returns its index.
    int addItem(const QString& name);
    int count() const;
    // Out-of-range indexes read as unchecked.
    bool isChecked(int index) const;
    void setChecked(int index, bool on);

    void reject() override; // Cancel and Esc

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Item {
        QString text;
        bool checked;
    };

    void OKBtnClick();
    void takeSnapshot();
    void restoreSnapshot();

    QList<Item> m_snapshot;
    bool m_filling = false;
};
