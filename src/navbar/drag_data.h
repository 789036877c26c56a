// What a dragged button carries and how a bar takes part in a drag: the two drag formats, the
// bars of this process a drag may come from, the list of offered formats with its enumerator,
// and the bar's drag-and-drop manager (drop target, drop source and data object in one).
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QIODevice;
class QMimeData;

namespace orv {

class TmxSideBar;

// Which bar of which process a drag comes from.
inline constexpr char kReferenceFormat[] = "mxSideBar Reference";
// What is dragged: header index and button index of the dragged button.
inline constexpr char kResourceFormat[] = "mxSideBar Resource";

// Record kinds of the Resource payload: a list of buttons whose body is one button record.
inline constexpr std::int32_t kButtonListRecord = 1;
inline constexpr std::int32_t kButtonRecord = 2;

// Where a drag over a bar stands when its handlers are told.
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };

// All integers of the drag data are 32-bit little-endian.
void WriteInt32(QIODevice& stream, std::int32_t value);
// Writes a record's kind and a placeholder length; answers where the record starts.
qint64 BeginRecord(QIODevice& stream, std::int32_t kind);
// Writes the length of the body of the record that starts at `start` (everything written after
// its 8-byte head) and returns to the end of the stream.
void FixRecordLength(QIODevice& stream, qint64 start);
// A block of drag data: an int32 byte count n, then the n bytes.
QByteArray MakeBlock(const QByteArray& payload);
// The n bytes of a block; nullopt when the block is shorter than its count says.
std::optional<QByteArray> BlockPayload(const QByteArray& block);

// The bars of this process, each under an id given when it is made and never given again, so
// drag data naming a bar that is gone finds nothing.
std::int32_t RegisterBar(TmxSideBar* bar);
void UnregisterBar(std::int32_t id);
TmxSideBar* FindBar(std::int32_t id);

std::int32_t CurrentProcessId();
// The Reference block: process id and bar id.
QByteArray ReferenceBlock(std::int32_t processId, std::int32_t barId);
// The bar a Reference block names; nullptr for a short block, another process or a bar that
// is gone.
TmxSideBar* BarFromReference(const QByteArray& block);

// An index outside a list.
class EListError : public std::out_of_range {
  public:
    using std::out_of_range::out_of_range;
};

// One offered format.
struct TmxFormatEtc {
    QString Format;
    friend bool operator==(const TmxFormatEtc&, const TmxFormatEtc&) = default;
};

class TmxFormatEtcList {
  public:
    // Both raise EListError "FormatEtcList: Invalid item index." outside 0..Count-1.
    const TmxFormatEtc& GetItem(int index) const;
    void SetItem(int index, const TmxFormatEtc& item);
    int Count() const { return static_cast<int>(items_.size()); }
    // Answers the new item's index.
    int Add(const TmxFormatEtc& item);
    void Clear() { items_.clear(); }
    std::unique_ptr<TmxFormatEtcList> Clone() const;

  private:
    void Check(int index) const;
    std::vector<TmxFormatEtc> items_;
};

// Walks its own list of formats.
class TmxEnumFormatEtc {
  public:
    explicit TmxEnumFormatEtc(std::unique_ptr<TmxFormatEtcList> list, int index = 0);

    // Appends up to count records to out and moves past them; fetched (when given) gets how
    // many. True when all count were delivered.
    bool Next(int count, std::vector<TmxFormatEtc>* out, int* fetched = nullptr);
    // False, without moving, when fewer than count records are left.
    bool Skip(int count);
    void Reset() { index_ = 0; }
    // Another enumerator over a copy of the list, at the same place.
    std::unique_ptr<TmxEnumFormatEtc> Clone() const;

  private:
    std::unique_ptr<TmxFormatEtcList> list_;
    int index_;
};

// A bar's part in drag and drop. It forwards the drop-target events to the bar's drag
// operations, makes the data of a button dragged out of the bar, runs the drag loop, and keeps
// the bar's drag timers.
class TmxDragDropManager {
  public:
    // Replaces the system's drag loop (tests script the drop side through it): gets the data,
    // the allowed actions and the one proposed while no key is held, answers the action the
    // drag ended in (Qt::IgnoreAction for none).
    using TDragLoop = std::function<Qt::DropAction(
        TmxSideBar* source, QMimeData* data, Qt::DropActions allowed, Qt::DropAction proposed)>;

    // Registers the bar in the process.
    explicit TmxDragDropManager(TmxSideBar* bar);
    ~TmxDragDropManager();
    TmxDragDropManager(const TmxDragDropManager&) = delete;
    TmxDragDropManager& operator=(const TmxDragDropManager&) = delete;

    TmxSideBar* Bar() const { return bar_; }
    std::int32_t BarId() const { return barId_; }
    // The bar of this process the drag now over the bar comes from; nullptr for a drag from
    // elsewhere, or when that bar is gone.
    TmxSideBar* SourceBar() const;

    // The offered formats: Reference, then Resource.
    void ResetFormats();
    const TmxFormatEtcList& Formats() const { return formats_; }
    // The data of the bar's dragged button in every offered format that renders.
    std::unique_ptr<QMimeData> CreateData() const;
    // Reference: process and bar id; Resource: the dragged button's block (none without one).
    std::optional<QByteArray> RenderFormat(const TmxFormatEtc& format) const;

    // The data's formats, in its order.
    static std::unique_ptr<TmxEnumFormatEtc> EnumFormatEtc(const QMimeData* data);
    static bool QueryGetData(const QMimeData* data, const QString& format);
    // The bar of this process named by the data's Reference block; nullptr otherwise.
    static TmxSideBar* GetSourceBar(const QMimeData* data);

    // Drop target.
    void DragEnter(QDragEnterEvent* event);
    void DragOver(QDragMoveEvent* event);
    void DragLeave();
    void Drop(QDropEvent* event);

    // Drop source: runs the drag of data with copy and move allowed, copy proposed; the action
    // the drop really took.
    Qt::DropAction DoDragDrop(std::unique_ptr<QMimeData> data);
    static void SetDragLoop(TDragLoop loop);

  private:
    TmxSideBar* bar_;
    std::int32_t barId_;
    std::int32_t sourceId_ = 0;
    // DragEnter refused the drag: its moves and drop are refused too.
    bool refused_ = false;
    // What a bar of this process answered to the drop of this bar's running drag; unset while
    // the drop went elsewhere.
    std::optional<Qt::DropAction> dropAnswer_;
    TmxFormatEtcList formats_;
};

}  // namespace orv
