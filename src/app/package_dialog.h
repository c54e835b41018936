#pragma once

#include <QFileDialog>

namespace sw {

// The add action's file dialog: .zip files and package folders. Several zips may be chosen at
// once. Pressing Open on folders that hold packages (installerinfo.txt, or package folders
// inside) chooses them; on any other folder it opens the folder, as usual.
class PackageFileDialog : public QFileDialog {
public:
    PackageFileDialog(QWidget* parent, const QString& title, const QString& start);

    // The dialog's answer: the chosen paths, none when cancelled.
    static QStringList choose(QWidget* parent, const QString& title, const QString& start);

    void accept() override;
};

} // namespace sw
