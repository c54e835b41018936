#include "app/window_livery_view.h"

#include "app/main_window.h"
#include "app/picture_box.h"
#include "app/widgets/flat_check_box.h"
#include "platform/windows_1252.h"

#include <QComboBox>
#include <QSignalBlocker>
#include <cstring>

namespace sw {

void setByteItems(QComboBox* box, const std::vector<std::string>& items, bool fromFileText) {
    // Filling a list from code does not run its change handler.
    const QSignalBlocker blocker(box);
    box->clear();
    for (const std::string& item : items) {
        QString shown = QString::fromStdString(fromFileText ? windows1252ToUtf8(item) : item);
        box->addItem(shown, QByteArray(item.data(), static_cast<qsizetype>(item.size())));
    }
}

std::vector<std::string> byteItems(const QComboBox* box) {
    std::vector<std::string> items;
    for (int i = 0; i < box->count(); ++i) {
        QByteArray bytes = box->itemData(i).toByteArray();
        items.emplace_back(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
    return items;
}

std::string selectedByteItem(const QComboBox* box) {
    if (box->currentIndex() < 0)
        return {};
    QByteArray bytes = box->currentData().toByteArray();
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

liveries::Simulator WindowLiveryView::simulator() const {
    return m_form.simulatorChoice();
}

std::string WindowLiveryView::simulatorFolder() const {
    return m_form.simulatorFolder();
}

std::vector<std::string> WindowLiveryView::libraryItems() const {
    return byteItems(m_form.cb1);
}

std::string WindowLiveryView::librarySelection() const {
    return selectedByteItem(m_form.cb1);
}

bool WindowLiveryView::allLiveriesChecked() const {
    return m_form.sl1->Checked();
}

void WindowLiveryView::setLibraryItems(const std::vector<std::string>& items, int selected) {
    setByteItems(m_form.cb1, items, false);
    const QSignalBlocker blocker(m_form.cb1);
    m_form.cb1->setCurrentIndex(selected);
}

void WindowLiveryView::setInformation(const std::string& text) {
    QString shown = QString::fromStdString(windows1252ToUtf8(text));
    shown.replace("\r\n", "\n");
    m_form.m1->setPlainText(shown);
}

QImage WindowLiveryView::toQImage(const liveries::RgbImage& picture) {
    if (picture.isNull())
        return {};
    QImage image(picture.width, picture.height, QImage::Format_RGB888);
    const std::size_t row = static_cast<std::size_t>(picture.width) * 3;
    for (int y = 0; y < picture.height; ++y)
        std::memcpy(image.scanLine(y), picture.pixels.data() + row * static_cast<std::size_t>(y), row);
    return image;
}

void WindowLiveryView::showPicture(const liveries::RgbImage& picture) {
    m_form.i2->setPicture(toQImage(picture));
}

std::string WindowLiveryView::productSelection() const {
    return selectedByteItem(m_form.cb3);
}

int WindowLiveryView::variationIndex() const {
    return m_form.cb4->currentIndex();
}

std::string WindowLiveryView::variationSelection() const {
    return selectedByteItem(m_form.cb4);
}

void WindowLiveryView::setProducts(const std::vector<std::string>& items) {
    setByteItems(m_form.cb3, items, false);
    const QSignalBlocker blocker(m_form.cb3);
    m_form.cb3->setCurrentIndex(-1);
}

void WindowLiveryView::setVariations(const std::vector<std::string>& items, int selected) {
    setByteItems(m_form.cb4, items, true);
    const QSignalBlocker blocker(m_form.cb4);
    m_form.cb4->setCurrentIndex(selected);
}

void WindowLiveryView::hideProgress() {
    m_form.p3->hide();
}

} // namespace sw
