#include "navbar/image_list.h"

#include <algorithm>
#include <cstdint>

namespace orv {

namespace {

template <typename T>
void Erase(std::vector<T*>& items, T* item) {
    items.erase(std::remove(items.begin(), items.end(), item), items.end());
}

}  // namespace

TChangeLink::~TChangeLink() {
    if (sender_ != nullptr) {
        sender_->UnRegisterChanges(this);
    }
}

TImageListObserver::~TImageListObserver() {
    for (TImageList* list : std::vector<TImageList*>(watched_)) {
        list->RemoveFreeNotification(this);
    }
}

TImageList::~TImageList() {
    for (TChangeLink* link : links_) {
        link->sender_ = nullptr;
    }
    // An observer may drop other lists while being told; work on a copy.
    const std::vector<TImageListObserver*> observers = observers_;
    observers_.clear();
    for (TImageListObserver* observer : observers) {
        Erase(observer->watched_, this);
    }
    for (TImageListObserver* observer : observers) {
        observer->ImageListFreed(this);
    }
}

QImage TImageList::Fit(const QImage& image) const {
    return (image.width() == width_ && image.height() == height_
                ? image
                : image.scaled(width_, height_, Qt::IgnoreAspectRatio, Qt::SmoothTransformation))
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

int TImageList::Add(const QImage& image) {
    return Add(image, QImage());
}

int TImageList::Add(const QImage& image, const QImage& doubleSize) {
    images_.push_back(Fit(image));
    QImage twice;
    if (!doubleSize.isNull()) {
        twice =
            doubleSize
                .scaled(2 * width_, 2 * height_, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        // It covers the list's size on a canvas at double scale.
        twice.setDevicePixelRatio(2);
    }
    doubleSize_.push_back(twice);
    Change();
    return Count() - 1;
}

void TImageList::Replace(int index, const QImage& image) {
    if (index < 0 || index >= Count()) {
        return;
    }
    images_[static_cast<size_t>(index)] = Fit(image);
    doubleSize_[static_cast<size_t>(index)] = QImage();
    Change();
}

void TImageList::Delete(int index) {
    if (index < 0 || index >= Count()) {
        return;
    }
    images_.erase(images_.begin() + index);
    doubleSize_.erase(doubleSize_.begin() + index);
    Change();
}

void TImageList::Clear() {
    images_.clear();
    doubleSize_.clear();
    Change();
}

void TImageList::Draw(TCanvas& canvas, int x, int y, int index) const {
    if (index < 0 || index >= Count()) {
        return;
    }
    canvas.Blend(x, y, images_[static_cast<size_t>(index)],
                 doubleSize_[static_cast<size_t>(index)]);
}

void TImageList::DrawSilhouette(TCanvas& canvas, int x, int y, int index, TColor color) const {
    if (index < 0 || index >= Count()) {
        return;
    }
    // On a canvas at double scale the finer picture gives the finer shape.
    const QImage& twice = doubleSize_[static_cast<size_t>(index)];
    const QImage& image =
        canvas.Scale() == 2 && !twice.isNull() ? twice : images_[static_cast<size_t>(index)];
    // The shape in the colour on a key of another colour that the canvas leaves out.
    const std::uint32_t ink = ColorToPixel(color);
    const TColor key = ColorToRGB(color) ^ 0x000001u;
    QImage shape(image.size(), QImage::Format_RGB32);
    shape.fill(ColorToPixel(key));
    for (int py = 0; py < image.height(); ++py) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(py));
        auto* out = reinterpret_cast<std::uint32_t*>(shape.scanLine(py));
        for (int px = 0; px < image.width(); ++px) {
            if (qAlpha(line[px]) >= 128) {
                out[px] = ink;
            }
        }
    }
    shape.setDevicePixelRatio(image.devicePixelRatio());
    canvas.Draw(x, y, shape, key);
}

void TImageList::RegisterChanges(TChangeLink* link) {
    if (link->sender_ == this) {
        return;
    }
    if (link->sender_ != nullptr) {
        link->sender_->UnRegisterChanges(link);
    }
    link->sender_ = this;
    links_.push_back(link);
}

void TImageList::UnRegisterChanges(TChangeLink* link) {
    if (link->sender_ != this) {
        return;
    }
    link->sender_ = nullptr;
    Erase(links_, link);
}

void TImageList::FreeNotification(TImageListObserver* observer) {
    if (std::find(observers_.begin(), observers_.end(), observer) != observers_.end()) {
        return;
    }
    observers_.push_back(observer);
    observer->watched_.push_back(this);
}

void TImageList::RemoveFreeNotification(TImageListObserver* observer) {
    Erase(observers_, observer);
    Erase(observer->watched_, this);
}

void TImageList::Change() {
    // A handler may unregister links; work on a copy and skip those gone.
    const std::vector<TChangeLink*> links = links_;
    for (TChangeLink* link : links) {
        if (std::find(links_.begin(), links_.end(), link) != links_.end() && link->OnChange) {
            link->OnChange();
        }
    }
}

}  // namespace orv
