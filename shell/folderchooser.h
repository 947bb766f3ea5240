#pragma once
// The desktop's folder dialog as the commands that pick a folder use it; a
// test puts a scripted chooser in its place.

#include <QString>

#include <filesystem>
#include <functional>
#include <optional>

class QWidget;

namespace zk {

// The folder the user picked, from `start`; none when cancelled.
using FolderChooser =
    std::function<std::optional<std::filesystem::path>(const std::filesystem::path& start, const QString& caption)>;

std::optional<std::filesystem::path> askForFolder(QWidget* parent, const std::filesystem::path& start,
                                                  const QString& caption);

} // namespace zk
