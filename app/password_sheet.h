#pragma once

// The sheet that asks for the password of an encrypted device backup.

#include <filesystem>
#include <optional>
#include <string>

class QWidget;

namespace orvane {

// Shows the sheet over `window` (typing hidden) and waits for the answer;
// nothing when the user cancels.
std::optional<std::string> askBackupPassword(QWidget* window, const std::filesystem::path& backup);

// The same, asked by a scan's worker thread: the sheet is shown on the GUI
// thread over the active window while the worker waits for the answer.
std::optional<std::string> askBackupPasswordFromWorker(const std::filesystem::path& backup);

}  // namespace orvane
