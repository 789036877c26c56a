// A small image list for the bar: pictures of one size, drawn by index. Listeners learn of
// changes through change links; observers learn when the list goes away, so they can drop it.
#pragma once

#include <QImage>
#include <functional>
#include <vector>

#include "navbar/drawing.h"

namespace orv {

class TImageList;

// Registered with a list, it runs OnChange whenever the list's pictures change. It leaves its
// list on destruction, and a list going away leaves its links detached.
class TChangeLink {
  public:
    TChangeLink() = default;
    TChangeLink(const TChangeLink&) = delete;
    TChangeLink& operator=(const TChangeLink&) = delete;
    ~TChangeLink();

    TImageList* Sender() const { return sender_; }
    std::function<void()> OnChange;

  private:
    friend class TImageList;
    TImageList* sender_ = nullptr;
};

// Told when a list it asked about is destroyed.
class TImageListObserver {
  public:
    TImageListObserver() = default;
    TImageListObserver(const TImageListObserver&) = delete;
    TImageListObserver& operator=(const TImageListObserver&) = delete;
    virtual ~TImageListObserver();

    virtual void ImageListFreed(TImageList* list) = 0;

  private:
    friend class TImageList;
    std::vector<TImageList*> watched_;
};

class TImageList {
  public:
    TImageList(int width, int height) : width_(width), height_(height) {}
    TImageList(const TImageList&) = delete;
    TImageList& operator=(const TImageList&) = delete;
    ~TImageList();

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Count() const { return static_cast<int>(images_.size()); }
    const QImage& Image(int index) const { return images_.at(static_cast<size_t>(index)); }

    // Pictures of another size are scaled to the list's size; their alpha is kept. Add answers
    // the new index. A picture of twice the size may come along for screens at double scale.
    int Add(const QImage& image);
    int Add(const QImage& image, const QImage& doubleSize);
    // The picture for double scale, of device pixel ratio 2; null when none was given.
    const QImage& DoubleSize(int index) const { return doubleSize_.at(static_cast<size_t>(index)); }
    void Replace(int index, const QImage& image);
    void Delete(int index);
    void Clear();

    // Draws picture `index` over what is painted, through its alpha, with its top-left corner at
    // (x, y); an index out of range draws nothing. A canvas at double scale takes the picture for
    // double scale when there is one, and enlarges the plain one otherwise.
    void Draw(TCanvas& canvas, int x, int y, int index) const;
    // Draws the picture's shape (every pixel that is not transparent) in one colour.
    void DrawSilhouette(TCanvas& canvas, int x, int y, int index, TColor color) const;

    void RegisterChanges(TChangeLink* link);
    void UnRegisterChanges(TChangeLink* link);
    void FreeNotification(TImageListObserver* observer);
    void RemoveFreeNotification(TImageListObserver* observer);

  private:
    QImage Fit(const QImage& image) const;
    void Change();

    int width_;
    int height_;
    std::vector<QImage> images_;
    std::vector<QImage> doubleSize_;
    std::vector<TChangeLink*> links_;
    std::vector<TImageListObserver*> observers_;
};

}  // namespace orv
