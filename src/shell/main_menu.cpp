#include "shell/main_menu.h"

#include <QAction>
#include <QApplication>
#include <QHelpEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QStyle>
#include <QStyleOptionMenuItem>
#include <QToolTip>

namespace {

const char* const ComingProperty = "zvComing";

enum Flag {
    None = 0,
    Check = 1,     // toggles its own check mark
    Checked = 2,   // checked at first
    Disabled = 4,  // disabled for good
    Hidden = 8,    // never visible
    Bold = 16,     // the default entry
    Checkable = 32 // shows a check mark that the program sets
};

class Builder {
public:
    Builder(QMenuBar* bar, MainMenu& menu) : m_bar(bar), m_menu(menu) {}

    QMenu* submenu(QWidget* into, const QString& name, const QString& caption,
                   const QString& hint = QString()) {
        auto* sub = new QMenu(caption, into);
        sub->setObjectName(name);
        sub->setToolTipsVisible(true);
        QAction* a = sub->menuAction();
        if (auto* bar = qobject_cast<QMenuBar*>(into))
            bar->addMenu(sub);
        else
            static_cast<QMenu*>(into)->addMenu(sub);
        remember(a, name, hint);
        m_menu.submenus.insert(name, sub);
        return sub;
    }

    QAction* entry(QWidget* into, const QString& name, const QString& caption, const QString& hint,
                   int flags = None, QStyle::StandardPixmap icon = QStyle::SP_CustomBase) {
        auto* a = new QAction(caption, into);
        if (icon != QStyle::SP_CustomBase)
            a->setIcon(QApplication::style()->standardIcon(icon));
        if (flags & (Check | Checkable)) {
            a->setCheckable(true);
            a->setChecked(flags & Checked);
        }
        a->setProperty("zvAutoCheck", bool(flags & Check));
        if (flags & Disabled)
            a->setEnabled(false);
        if (flags & Hidden)
            a->setVisible(false);
        if (flags & Bold) {
            QFont f = a->font();
            f.setBold(true);
            a->setFont(f);
        }
        into->addAction(a);
        remember(a, name, hint);
        return a;
    }

    void separator(QMenu* into, const QString& name) {
        QAction* a = into->addSeparator();
        remember(a, name, QString());
    }

private:
    void remember(QAction* a, const QString& name, const QString& hint) {
        a->setObjectName(name);
        a->setStatusTip(hint);
        m_menu.byName.insert(name, a);
        m_menu.ordered << a;
    }

    QMenuBar* m_bar;
    MainMenu& m_menu;
};

// The menu bar has no tooltips of its own; its commands show their notes here.
class ComingNotes : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ToolTip)
            return false;
        auto* bar = qobject_cast<QMenuBar*>(watched);
        auto* help = static_cast<QHelpEvent*>(event);
        QAction* a = bar ? bar->actionAt(help->pos()) : nullptr;
        const QString note = a ? a->property(ComingProperty).toString() : QString();
        if (note.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), note, bar);
        return true;
    }
};

// Tighter items, so the whole menu fits the window's width in one row, and the
// default entry in bold (the menu bar itself draws every item in its own font).
class MenuBarStyle : public QProxyStyle {
public:
    explicit MenuBarStyle(QAction* defaultAction) : m_default(defaultAction) {}

    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        if (metric == PM_MenuBarItemSpacing)
            return 0;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (type != CT_MenuBarItem || !item || !widget)
            return QProxyStyle::sizeFromContents(type, option, size, widget);
        const QFontMetrics fm(fontFor(*item, widget->font()));
        const QString text = QString(item->text).remove(QLatin1Char('&'));
        return QSize(fm.horizontalAdvance(text) + 10, fm.height() + 6);
    }

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (element == CE_MenuBarItem && item && isDefault(*item)) {
            painter->save();
            painter->setFont(fontFor(*item, painter->font()));
            QProxyStyle::drawControl(element, option, painter, widget);
            painter->restore();
            return;
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }

private:
    bool isDefault(const QStyleOptionMenuItem& item) const {
        return m_default && item.text == m_default->text();
    }
    QFont fontFor(const QStyleOptionMenuItem& item, QFont font) const {
        if (isDefault(item))
            font.setBold(true);
        return font;
    }

    QPointer<QAction> m_default;
};

} // namespace

void MainMenu::setComing(const QString& name, const QString& note) {
    QAction* a = action(name);
    if (!a)
        return;
    a->setProperty(ComingProperty, note);
    a->setToolTip(note);
    a->setEnabled(false);
}

void MainMenu::clearComing(const QString& name) {
    QAction* a = action(name);
    if (!a)
        return;
    a->setProperty(ComingProperty, QVariant());
    a->setToolTip(QString());
    a->setEnabled(true);
}

bool MainMenu::isComing(const QString& name) const {
    QAction* a = action(name);
    return a && !a->property(ComingProperty).toString().isEmpty();
}

MainMenu BuildMainMenu(QMenuBar* bar) {
    MainMenu menu;
    Builder b(bar, menu);

    QMenu* file = b.submenu(bar, QStringLiteral("File1"), QStringLiteral("&File"));
    b.entry(file, QStringLiteral("SaveOscillogramm1"), QStringLiteral("Save Oscillogram"),
            QStringLiteral("Записать текущую осциллогамму"), None, QStyle::SP_DialogSaveButton);
    b.entry(file, QStringLiteral("LoadOscillogram1"), QStringLiteral("Load Oscillogram"),
            QStringLiteral("Загрузить осциллогамму с диска"), None, QStyle::SP_DialogOpenButton);
    b.entry(file, QStringLiteral("Save_debug"), QStringLiteral("Save debug info"),
            QStringLiteral("Записать отладочную информацию в файл"), None,
            QStyle::SP_FileDialogDetailedView);

    // A command on the bar: text only (an icon would replace the caption there).
    b.entry(bar, QStringLiteral("Start"), QStringLiteral("&Start"),
            QStringLiteral("Запустить диагностику"), Bold);

    QMenu* mode = b.submenu(bar, QStringLiteral("Mode1"), QStringLiteral("&Mode ECU"),
                            QStringLiteral("Выбрать модуль для диагностики"));
    b.entry(mode, QStringLiteral("ECU1"), QStringLiteral("&1   ECU"),
            QStringLiteral("Диагностика блока управления двигателя"), Checkable);
    b.entry(mode, QStringLiteral("AT1"), QStringLiteral("&2   AT"),
            QStringLiteral("Диагностика блока управления авт. трансмиссии"), Checkable);
    b.entry(mode, QStringLiteral("AIRCON1"), QStringLiteral("&3   AIRCON"),
            QStringLiteral("Диагностика блока управления климат-контроля"), Check | Disabled);

    b.entry(bar, QStringLiteral("ActiveTests1"), QStringLiteral("&Active Tests"),
            QStringLiteral("Открыть активные тесты"));

    QMenu* commands = b.submenu(bar, QStringLiteral("Commands1"), QStringLiteral("Commands"),
                                QStringLiteral("Дополнительные команды"));
    b.entry(commands, QStringLiteral("GetCUErrors"), QStringLiteral("Get self-diagnostic errors"),
            QStringLiteral("Показать ошибки по результатам самодиагностики"));
    b.entry(commands, QStringLiteral("ClearCUErrors"),
            QStringLiteral("Clear self-diagnostic errors"),
            QStringLiteral("Стереть коды самодиагностики"));

    QMenu* view = b.submenu(bar, QStringLiteral("View"), QStringLiteral("&View"));
    b.entry(view, QStringLiteral("Select_sensors"), QStringLiteral("&Select sensors to view"),
            QStringLiteral("Выбор датчиков для просмотра"));
    b.entry(view, QStringLiteral("Collect_oscillo"),
            QStringLiteral("&Collect data into oscillogram"),
            QStringLiteral("Включить запись данных в осциллограммы"), Check | Checked);
    b.entry(view, QStringLiteral("Show_i"), QStringLiteral("&Indicate data on gauge"),
            QStringLiteral("Показать индикаторы"), Check | Checked);
    b.entry(view, QStringLiteral("Show_oscillogram"), QStringLiteral("&Display oscillogram"),
            QStringLiteral("Показать осциллограмму"), Check, QStyle::SP_ComputerIcon);
    b.separator(view, QStringLiteral("N1"));
    b.entry(view, QStringLiteral("ClearAlloscillogram"), QStringLiteral("Clear &oscillogram data"),
            QStringLiteral("Стереть все данные из осциллограммы"));
    b.entry(view, QStringLiteral("Show_debug"), QStringLiteral("Show debug info"),
            QStringLiteral("Показать окно с отладочной информацией"), Checkable | Hidden);

    QMenu* settings = b.submenu(bar, QStringLiteral("Settings"), QStringLiteral("Se&ttings"),
                                QStringLiteral("Настройка"));
    b.entry(settings, QStringLiteral("Communication"), QStringLiteral("&Set com-port"),
            QStringLiteral("Выбор сом-порта"), None, QStyle::SP_DriveNetIcon);
    b.entry(settings, QStringLiteral("Reconnect1"), QStringLiteral("&Reconnect"),
            QStringLiteral("Выполнить повторное подключение к ECU и инициализацию"));
    b.entry(settings, QStringLiteral("Osc_saveandclear"),
            QStringLiteral("&Oscillogram autosave and clear"),
            QStringLiteral("Автоматическое сохранение сохранение и очистка осциллогаммы"), Check);
    b.entry(settings, QStringLiteral("Packed_record"), QStringLiteral("&Packed Oscillogram record"),
            QStringLiteral("Использовать упакованный формат данных"), Check);
    b.entry(settings, QStringLiteral("Noise_filter"), QStringLiteral("&Noise filter"),
            QStringLiteral("Фильтр помех"), Disabled);
    b.entry(settings, QStringLiteral("Collect_overmax"),
            QStringLiteral("&Collect over-max packets"),
            QStringLiteral("Записывать аномальные пакеты в лог"), Check);
    b.entry(settings, QStringLiteral("Collect_debug"), QStringLiteral("Collect debug info"),
            QStringLiteral("Включить запись отладочной информации"), Checkable);
    b.entry(settings, QStringLiteral("Scan_unknown_sensors"),
            QStringLiteral("Scan for unknown sensors"),
            QStringLiteral("Сканировать на наличие расширений в Mopa-протоколе"));

    b.entry(bar, QStringLiteral("About"), QStringLiteral("A&bout"), QStringLiteral("О программе"));
    return menu;
}

void ShowComingNotesOn(QMenuBar* bar) {
    bar->installEventFilter(new ComingNotes(bar));
}

void StyleMenuBar(QMenuBar* bar, QAction* defaultAction) {
    auto* style = new MenuBarStyle(defaultAction);
    style->setParent(bar);
    bar->setStyle(style);
}
