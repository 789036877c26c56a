#include "navbar/drag_data.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QPointer>
#include <QtEndian>
#include <algorithm>
#include <unordered_map>

#include "navbar/navigation_bar.h"
#include "platform/drop_finish.h"

namespace orv {

namespace {

std::unordered_map<std::int32_t, TmxSideBar*>& Registry() {
    static std::unordered_map<std::int32_t, TmxSideBar*> bars;
    return bars;
}

std::int32_t ReadInt32(const QByteArray& bytes, qsizetype offset) {
    return qFromLittleEndian<std::int32_t>(bytes.constData() + offset);
}

// How long a drag out of the program waits for the other program to say how it finished the
// drop; a target that does not say in time keeps only a copy.
constexpr int kDropFinishWait = 2000;

TmxDragDropManager::TDragLoop& DragLoop() {
    static TmxDragDropManager::TDragLoop loop;
    return loop;
}

// One action out of a set: the proposed one when the set holds it, else copy, move, link.
Qt::DropAction OneAction(Qt::DropActions actions, Qt::DropAction proposed) {
    if (proposed != Qt::IgnoreAction && actions.testFlag(proposed)) {
        return proposed;
    }
    for (Qt::DropAction a : {Qt::CopyAction, Qt::MoveAction, Qt::LinkAction}) {
        if (actions.testFlag(a)) {
            return a;
        }
    }
    return Qt::IgnoreAction;
}

// Tells Qt the answer of a drop-target call: the chosen action, or a refusal.
void Answer(QDropEvent* event, bool ok, Qt::DropActions effect) {
    const Qt::DropAction action =
        ok ? OneAction(effect, event->proposedAction()) : Qt::IgnoreAction;
    if (action == Qt::IgnoreAction) {
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
}

}  // namespace

void WriteInt32(QIODevice& stream, std::int32_t value) {
    char bytes[4];
    qToLittleEndian(value, bytes);
    stream.write(bytes, 4);
}

qint64 BeginRecord(QIODevice& stream, std::int32_t kind) {
    const qint64 start = stream.pos();
    WriteInt32(stream, kind);
    WriteInt32(stream, 0);
    return start;
}

void FixRecordLength(QIODevice& stream, qint64 start) {
    const qint64 end = stream.pos();
    stream.seek(start + 4);
    WriteInt32(stream, static_cast<std::int32_t>(end - start - 8));
    stream.seek(end);
}

QByteArray MakeBlock(const QByteArray& payload) {
    QByteArray block(4, '\0');
    qToLittleEndian(static_cast<std::int32_t>(payload.size()), block.data());
    return block + payload;
}

std::optional<QByteArray> BlockPayload(const QByteArray& block) {
    if (block.size() < 4) {
        return std::nullopt;
    }
    const std::int32_t n = ReadInt32(block, 0);
    if (n < 0 || n > block.size() - 4) {
        return std::nullopt;
    }
    return block.mid(4, n);
}

std::int32_t RegisterBar(TmxSideBar* bar) {
    static std::int32_t last = 0;
    Registry()[++last] = bar;
    return last;
}

void UnregisterBar(std::int32_t id) {
    Registry().erase(id);
}

TmxSideBar* FindBar(std::int32_t id) {
    const auto it = Registry().find(id);
    return it == Registry().end() ? nullptr : it->second;
}

std::int32_t CurrentProcessId() {
    return static_cast<std::int32_t>(QCoreApplication::applicationPid());
}

QByteArray ReferenceBlock(std::int32_t processId, std::int32_t barId) {
    QByteArray payload(8, '\0');
    qToLittleEndian(processId, payload.data());
    qToLittleEndian(barId, payload.data() + 4);
    return MakeBlock(payload);
}

TmxSideBar* BarFromReference(const QByteArray& block) {
    const std::optional<QByteArray> payload = BlockPayload(block);
    if (!payload || payload->size() != 8 || ReadInt32(*payload, 0) != CurrentProcessId()) {
        return nullptr;
    }
    return FindBar(ReadInt32(*payload, 4));
}

void TmxFormatEtcList::Check(int index) const {
    if (index < 0 || index >= Count()) {
        throw EListError("FormatEtcList: Invalid item index.");
    }
}

const TmxFormatEtc& TmxFormatEtcList::GetItem(int index) const {
    Check(index);
    return items_[static_cast<std::size_t>(index)];
}

void TmxFormatEtcList::SetItem(int index, const TmxFormatEtc& item) {
    Check(index);
    items_[static_cast<std::size_t>(index)] = item;
}

int TmxFormatEtcList::Add(const TmxFormatEtc& item) {
    items_.push_back(item);
    return Count() - 1;
}

std::unique_ptr<TmxFormatEtcList> TmxFormatEtcList::Clone() const {
    auto copy = std::make_unique<TmxFormatEtcList>();
    copy->items_ = items_;
    return copy;
}

TmxEnumFormatEtc::TmxEnumFormatEtc(std::unique_ptr<TmxFormatEtcList> list, int index)
    : list_(list ? std::move(list) : std::make_unique<TmxFormatEtcList>()), index_(index) {}

bool TmxEnumFormatEtc::Next(int count, std::vector<TmxFormatEtc>* out, int* fetched) {
    const int n = std::clamp(list_->Count() - index_, 0, std::max(count, 0));
    for (int i = 0; i < n; ++i) {
        if (out != nullptr) {
            out->push_back(list_->GetItem(index_ + i));
        }
    }
    index_ += n;
    if (fetched != nullptr) {
        *fetched = n;
    }
    return n == count;
}

bool TmxEnumFormatEtc::Skip(int count) {
    if (count < 0 || list_->Count() - index_ < count) {
        return false;
    }
    index_ += count;
    return true;
}

std::unique_ptr<TmxEnumFormatEtc> TmxEnumFormatEtc::Clone() const {
    return std::make_unique<TmxEnumFormatEtc>(list_->Clone(), index_);
}

TmxDragDropManager::TmxDragDropManager(TmxSideBar* bar) : bar_(bar), barId_(RegisterBar(bar)) {}

TmxDragDropManager::~TmxDragDropManager() {
    UnregisterBar(barId_);
}

TmxSideBar* TmxDragDropManager::SourceBar() const {
    return FindBar(sourceId_);
}

void TmxDragDropManager::ResetFormats() {
    formats_.Clear();
    formats_.Add({QString::fromLatin1(kReferenceFormat)});
    formats_.Add({QString::fromLatin1(kResourceFormat)});
}

std::unique_ptr<QMimeData> TmxDragDropManager::CreateData() const {
    auto data = std::make_unique<QMimeData>();
    for (int i = 0; i < formats_.Count(); ++i) {
        const TmxFormatEtc& format = formats_.GetItem(i);
        if (const std::optional<QByteArray> block = RenderFormat(format)) {
            data->setData(format.Format, *block);
        }
    }
    return data;
}

std::optional<QByteArray> TmxDragDropManager::RenderFormat(const TmxFormatEtc& format) const {
    if (format.Format == QLatin1String(kReferenceFormat)) {
        return ReferenceBlock(CurrentProcessId(), barId_);
    }
    if (format.Format == QLatin1String(kResourceFormat) && bar_->DragButton() != nullptr) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        bar_->WriteDragData(buffer, bar_->DragButton());
        return MakeBlock(buffer.data());
    }
    return std::nullopt;
}

std::unique_ptr<TmxEnumFormatEtc> TmxDragDropManager::EnumFormatEtc(const QMimeData* data) {
    auto list = std::make_unique<TmxFormatEtcList>();
    if (data != nullptr) {
        for (const QString& format : data->formats()) {
            list->Add({format});
        }
    }
    return std::make_unique<TmxEnumFormatEtc>(std::move(list));
}

bool TmxDragDropManager::QueryGetData(const QMimeData* data, const QString& format) {
    return data != nullptr && data->hasFormat(format);
}

TmxSideBar* TmxDragDropManager::GetSourceBar(const QMimeData* data) {
    const QString format = QString::fromLatin1(kReferenceFormat);
    if (!QueryGetData(data, format)) {
        return nullptr;
    }
    return BarFromReference(data->data(format));
}

void TmxDragDropManager::DragEnter(QDragEnterEvent* event) {
    TmxSideBar* source = GetSourceBar(event->mimeData());
    sourceId_ = source != nullptr ? source->DropManager()->BarId() : 0;
    const TmxBarOptions options = bar_->Options();
    // A drag from elsewhere can only land in OnDragDrop. Without a handler the drop would be
    // refused, and an X11 source acts on the answer given while hovering: a move accepted now
    // would make the other program delete what it dragged.
    refused_ = source == nullptr ? !Has(options, boAcceptOLEDrop) || !bar_->OnDragDrop
                                 : !Has(options, boInternalDrop);
    if (refused_) {
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
        return;
    }
    Qt::DropActions effect = event->possibleActions();
    const bool ok = bar_->OleDragEnter(event->mimeData(), event->modifiers(), effect,
                                       event->position().toPoint());
    Answer(event, ok, effect);
}

void TmxDragDropManager::DragOver(QDragMoveEvent* event) {
    if (refused_) {
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
        return;
    }
    Qt::DropActions effect = event->possibleActions();
    const bool ok = bar_->OleDragOver(SourceBar(), event->modifiers(), effect,
                                      event->position().toPoint(), dsDragMove);
    Answer(event, ok, effect);
}

void TmxDragDropManager::DragLeave() {
    const bool refused = refused_;
    refused_ = false;
    sourceId_ = 0;
    // The bar's leave handler may delete the bar, and this manager with it.
    const QPointer<TmxSideBar> alive(bar_);
    if (!refused) {
        bar_->OleDragLeave();
    }
    if (alive) {
        bar_->InvalidateAll();
    }
}

void TmxDragDropManager::Drop(QDropEvent* event) {
    // The source bar hears the answer itself: the platform's result of the drag may be the
    // last answer given while hovering, which this drop can still refuse.
    const std::int32_t sourceId = sourceId_;
    const auto tellSource = [event, sourceId] {
        if (TmxSideBar* source = FindBar(sourceId)) {
            source->DropManager()->dropAnswer_ =
                event->isAccepted() ? event->dropAction() : Qt::IgnoreAction;
        }
    };
    if (refused_) {
        refused_ = false;
        sourceId_ = 0;
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
        tellSource();
        return;
    }
    Qt::DropActions effect = event->possibleActions();
    const QPointer<TmxSideBar> alive(bar_);
    const bool ok =
        bar_->OleDrop(event->mimeData(), event->modifiers(), effect, event->position().toPoint());
    if (alive) {
        refused_ = false;
        sourceId_ = 0;
    }
    Answer(event, ok, effect);
    tellSource();
}

Qt::DropAction TmxDragDropManager::DoDragDrop(std::unique_ptr<QMimeData> data) {
    const Qt::DropActions allowed = Qt::CopyAction | Qt::MoveAction;
    // A copy unless the user holds Shift (the platform turns it into a move), as between bars:
    // a program that takes what is proposed must not take the button away by default.
    const Qt::DropAction proposed = Qt::CopyAction;
    dropAnswer_.reset();
    // A handler during the drag may delete the bar, and this manager with it.
    const QPointer<TmxSideBar> alive(bar_);
    Qt::DropAction result = Qt::IgnoreAction;
    if (DragLoop()) {
        result = DragLoop()(bar_, data.get(), allowed, proposed);
    } else {
        // Listening before the drag starts: the target may finish before exec returns.
        sys::DropFinishWatch finish;
        // The system's loop; Esc cancels it, and it owns the drag and the data.
        auto* drag = new QDrag(bar_);
        drag->setMimeData(data.release());
        result = drag->exec(allowed, proposed);
        // A move that no bar of this process answered ended in another program, and there X11
        // reports the target's answer while hovering: only its finish says it took the button.
        if (alive && !dropAnswer_ && result == Qt::MoveAction && finish.Listening()) {
            result = finish.Wait(kDropFinishWait) == sys::DropFinish::Moved ? Qt::MoveAction
                                                                            : Qt::IgnoreAction;
        }
    }
    if (!alive) {
        return Qt::IgnoreAction;
    }
    return dropAnswer_.value_or(result);
}

void TmxDragDropManager::SetDragLoop(TDragLoop loop) {
    DragLoop() = std::move(loop);
}

}  // namespace orv
