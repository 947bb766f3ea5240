#include "shell/folderchooser.h"

#include <QFileDialog>

namespace zk {

std::optional<std::filesystem::path> askForFolder(QWidget* parent, const std::filesystem::path& start,
                                                  const QString& caption)
{
    const QString chosen = QFileDialog::getExistingDirectory(parent, caption, QString::fromStdString(start.string()));
    if (chosen.isEmpty())
        return std::nullopt;
    return std::filesystem::path(chosen.toStdString());
}

} // namespace zk
