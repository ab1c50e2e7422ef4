#include "shell/debug_menu.h"

#include "protocol/coloured_lines.h"
#include "shell/debug_window.h"

#include <QFileDialog>

#include <stdexcept>

void Collect_debugClick(bool& checked, DebugLog& log) {
    checked = !checked;
    log.setCollecting(checked);
}

void Show_debugClick(bool& checked, TDebug& window) {
    checked = !checked;
    if (checked) {
        window.show();
    } else {
        window.hide();
    }
}

QString askLogFileName(QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("Save LOG file"), QString(),
                       QStringLiteral("RTF files (*.rtf)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.selectNameFilter(QStringLiteral("RTF files (*.rtf)"));
    dialog.selectFile(QStringLiteral("Log.rtf"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

QString Save_debugClick(const DebugLog& log, const SaveFileNameAsker& askFileName) {
    const QString path = askFileName ? askFileName() : QString();
    if (path.isEmpty()) {
        return {};
    }
    QString error;
    if (!log.saveRtf(path, &error)) {
        throw std::runtime_error(error.toStdString());
    }
    return path;
}
