#pragma once

#include "catalogue/catalogue_view.h"
#include "catalogue/thumbnail.h"
#include "liveries/livery_view.h"

#include <functional>
#include <string>

namespace sw::catalogue {

// The catalogue side of the main window: the catalogue button and the two list handlers,
// with the strings the window keeps between them. Text files come through `fetch` (the HTTP
// client's Get: it raises EALHTTPClientException, which ends the handler); thumbnails are
// fetched directly. What a handler did before an error stays done.
class CatalogueHandlers {
public:
    using Fetch = std::function<std::string(const std::string& url)>;

    CatalogueHandlers(CatalogueView& view, Fetch fetch, liveries::Trace trace, std::string baseUrl,
                      std::string startFolder);

    // Fetches prod.txt and the first product's livery list, fills both lists, shows the first
    // livery's thumbnail and the catalogue panel.
    void BitBtn11Click();
    // The user picked a product: its livery list, from the catalogue fetched last.
    void cb5Change();
    // The user picked a livery: its thumbnail and package, from the list fetched last.
    void cb6Change();

    const std::string& CatalogueText() const { return m_catalogueText; }
    const std::string& LiveryListText() const { return m_liveryListText; }
    const std::string& SelectedPackageUrl() const { return m_selectedPackageUrl; }

    void setStartFolder(const std::string& folder) { m_startFolder = folder; }
    // Runs while a thumbnail fetch waits for the network (see ShowThumbnail).
    void setThumbnailWait(std::function<bool()> wait) { m_thumbnailWait = std::move(wait); }

private:
    void fillLiveryList(ThumbnailTrace mode);
    void log(const std::string& point, const std::string& message) const;

    CatalogueView& m_view;
    Fetch m_fetch;
    liveries::Trace m_trace;
    std::string m_baseUrl;
    std::string m_startFolder;
    std::function<bool()> m_thumbnailWait;
    std::string m_catalogueText;
    std::string m_liveryListText;
    std::string m_selectedPackageUrl;
};

} // namespace sw::catalogue
