#include "app/window_catalogue_view.h"

#include "app/main_window.h"
#include "app/picture_box.h"
#include "app/window_livery_view.h"
#include "platform/windows_1252.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace sw {

namespace {

void addItem(QComboBox* box, const std::string& text) {
    const QSignalBlocker blocker(box);
    box->addItem(QString::fromStdString(windows1252ToUtf8(text)));
}

void select(QComboBox* box, int index) {
    const QSignalBlocker blocker(box);
    box->setCurrentIndex(index);
}

void clear(QComboBox* box) {
    const QSignalBlocker blocker(box);
    box->clear();
}

} // namespace

void WindowCatalogueView::clearProducts() {
    clear(m_form.cb5);
}

void WindowCatalogueView::addProduct(const std::string& name) {
    addItem(m_form.cb5, name);
}

void WindowCatalogueView::selectProduct(int index) {
    select(m_form.cb5, index);
}

int WindowCatalogueView::productIndex() const {
    return m_form.cb5->currentIndex();
}

void WindowCatalogueView::clearLiveries() {
    clear(m_form.cb6);
}

void WindowCatalogueView::addLivery(const std::string& name) {
    addItem(m_form.cb6, name);
}

void WindowCatalogueView::selectLivery(int index) {
    select(m_form.cb6, index);
}

int WindowCatalogueView::liveryIndex() const {
    return m_form.cb6->currentIndex();
}

void WindowCatalogueView::showThumbnail(const liveries::RgbImage& picture) {
    m_form.i3->setPicture(WindowLiveryView::toQImage(picture));
}

void WindowCatalogueView::showCataloguePanel() {
    m_form.p1->hide();
    m_form.p4->hide();
    m_form.p2->show();
}

} // namespace sw
