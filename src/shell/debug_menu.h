#pragma once

#include <QString>

#include <functional>

class DebugLog;
class QWidget;
class TDebug;

// The main menu's debug entries. The check mark is passed by reference so the
// caller can keep it wherever its menu state lives:
//     bool on = menu.isOn(MenuState::Collect_debug);
//     Collect_debugClick(on, log);
//     menu.set(MenuState::Collect_debug, on);

// "Collect debug info": flips the check mark and copies it into the log's switch.
void Collect_debugClick(bool& checked, DebugLog& log);

// "Show debug info": flips the check mark; shows the window when checked, hides
// it when not.
void Show_debugClick(bool& checked, TDebug& window);

// Asks for the file to save the log in; empty when the user cancelled.
using SaveFileNameAsker = std::function<QString()>;

// The save dialog: "Save LOG file", proposing "Log.rtf", filter "RTF files (*.rtf)",
// asking before it overwrites a file.
QString askLogFileName(QWidget* parent);

// "Save debug info": cancel writes nothing; otherwise the whole log goes to the
// file as RTF, atomically. A failure throws std::runtime_error whose UTF-8 message
// names the file; the log is unchanged. Returns the file written, empty on cancel.
QString Save_debugClick(const DebugLog& log, const SaveFileNameAsker& askFileName);
