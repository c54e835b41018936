#pragma once

#include "catalogue/catalogue_view.h"

namespace sw {

class TForm1;

// The catalogue panel's controls as the catalogue handlers see them. Product and livery
// names come from the maker's single-byte files and are shown as Windows-1252.
class WindowCatalogueView : public catalogue::CatalogueView {
public:
    explicit WindowCatalogueView(TForm1& form) : m_form(form) {}

    void clearProducts() override;
    void addProduct(const std::string& name) override;
    void selectProduct(int index) override;
    int productIndex() const override;

    void clearLiveries() override;
    void addLivery(const std::string& name) override;
    void selectLivery(int index) override;
    int liveryIndex() const override;

    void showThumbnail(const liveries::RgbImage& picture) override;
    void showCataloguePanel() override;

private:
    TForm1& m_form;
};

} // namespace sw
