#include "app/package_dialog.h"

#include "liveries/package_zip.h"

#include <QFileInfo>

namespace sw {

namespace {

bool holdsPackages(const QString& path) {
    const std::string folder = path.toStdString();
    return liveries::isPackageFolder(folder) || !liveries::packageFoldersIn(folder).empty();
}

} // namespace

PackageFileDialog::PackageFileDialog(QWidget* parent, const QString& title, const QString& start)
    : QFileDialog(parent, title, start) {
    // The platform's own dialogs choose files or folders, never both.
    setOption(QFileDialog::DontUseNativeDialog);
    setFileMode(QFileDialog::ExistingFiles);
    setNameFilters({"Livery packages (*.zip)", "All files (*)"});
    setLabelText(QFileDialog::Accept, "Add");
}

QStringList PackageFileDialog::choose(QWidget* parent, const QString& title, const QString& start) {
    PackageFileDialog dialog(parent, title, start);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

void PackageFileDialog::accept() {
    const QStringList chosen = selectedFiles();
    bool packageFolders = !chosen.isEmpty();
    for (const QString& path : chosen)
        packageFolders = packageFolders && QFileInfo(path).isDir() && holdsPackages(path);
    if (packageFolders)
        QDialog::accept();
    else
        QFileDialog::accept();
}

} // namespace sw
