#pragma once

#include "liveries/livery_view.h"

#include <QImage>

class QComboBox;

namespace sw {

class TForm1;

// The window's controls as the liveries handlers see them. Names from the disk (packages,
// products) are shown as UTF-8 and handed back as the exact bytes they were; text from the
// program's files (titles, variations) is shown as Windows-1252.
class WindowLiveryView : public liveries::LiveryView {
public:
    explicit WindowLiveryView(TForm1& form) : m_form(form) {}

    liveries::Simulator simulator() const override;
    std::string simulatorFolder() const override;

    std::vector<std::string> libraryItems() const override;
    std::string librarySelection() const override;
    bool allLiveriesChecked() const override;
    void setLibraryItems(const std::vector<std::string>& items, int selected) override;
    void setInformation(const std::string& text) override;
    void showPicture(const liveries::RgbImage& picture) override;

    std::string productSelection() const override;
    int variationIndex() const override;
    std::string variationSelection() const override;
    void setProducts(const std::vector<std::string>& items) override;
    void setVariations(const std::vector<std::string>& items, int selected) override;

    void hideProgress() override;

    // A decoded picture as a QImage (a deep copy).
    static QImage toQImage(const liveries::RgbImage& picture);

private:
    TForm1& m_form;
};

// Items of a combo box that keep the bytes they were made from (Qt::UserRole).
void setByteItems(QComboBox* box, const std::vector<std::string>& items, bool fromFileText);
std::vector<std::string> byteItems(const QComboBox* box);
std::string selectedByteItem(const QComboBox* box);

} // namespace sw
