#pragma once

#include "liveries/jpeg_image.h"

#include <string>

namespace sw::catalogue {

// The catalogue panel as its handlers see it: the product list `cb5`, the livery list `cb6`,
// the thumbnail `i3`, and the switch to the panel. Filling a list from code never runs its
// change handler.
class CatalogueView {
public:
    virtual ~CatalogueView() = default;

    virtual void clearProducts() = 0;
    virtual void addProduct(const std::string& name) = 0;
    virtual void selectProduct(int index) = 0;
    virtual int productIndex() const = 0;

    virtual void clearLiveries() = 0;
    virtual void addLivery(const std::string& name) = 0;
    virtual void selectLivery(int index) = 0;
    virtual int liveryIndex() const = 0;

    virtual void showThumbnail(const liveries::RgbImage& picture) = 0;
    // Hides the installed-liveries and local panels and shows the catalogue panel.
    virtual void showCataloguePanel() = 0;
};

} // namespace sw::catalogue
