#pragma once

#include <QHash>
#include <QList>
#include <QString>

class QAction;
class QMenu;
class QMenuBar;

// The main window's menu. Every entry is a QAction named as the form names it
// (submenus through their menu action); the hint is kept as the status tip and
// is not shown. Entries whose feature is not in this version stay disabled with
// a tooltip saying so.
struct MainMenu {
    QHash<QString, QAction*> byName;
    QList<QAction*> ordered; // every entry, depth first, in menu order
    QHash<QString, QMenu*> submenus;

    QAction* action(const QString& name) const { return byName.value(name); }
    QMenu* submenu(const QString& name) const { return submenus.value(name); }

    // Marks an entry as not built yet: disabled, with the note as its tooltip.
    void setComing(const QString& name, const QString& note);
    // Removes the mark: the entry follows its normal enabled state again.
    void clearComing(const QString& name);
    bool isComing(const QString& name) const;
};

MainMenu BuildMainMenu(QMenuBar* bar);

// Tooltips of the notes: menus show them; the menu bar shows them for its own
// commands through this filter.
void ShowComingNotesOn(QMenuBar* bar);

// One row of tight items with the default entry in bold.
void StyleMenuBar(QMenuBar* bar, QAction* defaultAction);
