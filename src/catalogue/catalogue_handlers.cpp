#include "catalogue/catalogue_handlers.h"

#include "catalogue/catalogue_records.h"

#include <string_view>

namespace sw::catalogue {

CatalogueHandlers::CatalogueHandlers(CatalogueView& view, Fetch fetch, liveries::Trace trace,
                                     std::string baseUrl, std::string startFolder)
    : m_view(view), m_fetch(std::move(fetch)), m_trace(std::move(trace)), m_baseUrl(std::move(baseUrl)),
      m_startFolder(std::move(startFolder)) {}

void CatalogueHandlers::log(const std::string& point, const std::string& message) const {
    if (m_trace)
        m_trace(point, message);
}

void CatalogueHandlers::fillLiveryList(ThumbnailTrace mode) {
    m_view.clearLiveries();
    bool first = true;
    for (const LiveryRecord& record : scanLiveries(m_liveryListText)) {
        m_view.addLivery(record.name);
        if (first)
            m_view.showThumbnail(
                ShowThumbnail(record.thumbnailUrl, m_startFolder, mode, m_trace, m_thumbnailWait));
        first = false;
        m_view.selectLivery(0);
    }
    if (mode == ThumbnailTrace::BeforeEachRead)
        log("1373", "Test log");
    m_selectedPackageUrl = firstLivery(m_liveryListText).packageUrl;
}

void CatalogueHandlers::BitBtn11Click() {
    log("1470", "BitBtn11Click called");
    m_catalogueText = m_fetch(m_baseUrl + "prod.txt");

    m_view.clearProducts();
    std::string listFile;
    bool first = true;
    for (const ProductRecord& record : scanProducts(m_catalogueText)) {
        log("1529", "Test log");
        m_view.addProduct(record.name);
        if (first)
            listFile = record.listFile;
        first = false;
        m_view.selectProduct(0);
    }

    const std::string listText = m_fetch(m_baseUrl + listFile);
    m_liveryListText = listText;
    fillLiveryList(ThumbnailTrace::Detailed);
    m_view.showCataloguePanel();
    log("1543", "BitBtn11Click end");
}

void CatalogueHandlers::cb5Change() {
    log("1266", "cb5Change called");
    const int index = m_view.productIndex();
    const std::string rest = skipRecords(m_catalogueText, kProductTerminator, index < 0 ? 0 : index);
    const std::string listText = m_fetch(m_baseUrl + fieldBetween(rest, "&&", ";;"));
    m_liveryListText = listText;
    log("1321", "Test log");
    fillLiveryList(ThumbnailTrace::BeforeEachRead);
    log("1329", "cb5Change end");
}

void CatalogueHandlers::cb6Change() {
    log("1348", "cb6Change called");
    const int index = m_view.liveryIndex();
    std::string_view rest = m_liveryListText;
    for (int i = 0; i < index; ++i) {
        log("1399", "Test log");
        rest.remove_prefix(recordLength(rest, kLiveryTerminator));
    }
    const LiveryRecord record = firstLivery(rest);
    m_view.showThumbnail(ShowThumbnail(record.thumbnailUrl, m_startFolder, ThumbnailTrace::AfterLastRead,
                                       m_trace, m_thumbnailWait));
    m_selectedPackageUrl = record.packageUrl;
    log("1391", "cb6Change end");
}

} // namespace sw::catalogue
