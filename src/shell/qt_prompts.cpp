#include "shell/qt_prompts.h"

#include <QApplication>
#include <QMessageBox>

void QtPrompts::warning(const QString& text) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Warning"), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

bool QtPrompts::confirm(const QString& text) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), text,
                    QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}
