#include "controls/stringgrid.h"

#include <climits>

#include <QHeaderView>
#include <QMouseEvent>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "common/boundary_guard.h"
#include "controls/widgets.h"

namespace orv::ui {

namespace {

// How far from a grid line, in pixels, a press still takes the line.
constexpr int kEdgeGrip = 2;

}  // namespace

StringGridModel::StringGridModel(int cols, int rows, int fixedRows, QObject* parent)
    : QAbstractTableModel(parent),
      cols_(std::max(cols, 1)),
      fixed_(std::clamp(fixedRows, 0, 1)),
      shown_(std::max(rows, fixed_ + 1)),
      nowMs_([] {
          return qint64(std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now().time_since_epoch())
                            .count());
      }),
      flushTimer_(new QTimer(this)),
      cells_(shown_, std::vector<QString>(cols_)) {
    flushTimer_->setSingleShot(true);
    connect(flushTimer_, &QTimer::timeout, this,
            GuardedSlot("StringGridModel::FlushWhenDue", [this] { FlushWhenDue(); }));
}

void StringGridModel::SetClock(std::function<qint64()> nowMs) {
    nowMs_ = std::move(nowMs);
    lastFlushMs_.reset();
}

void StringGridModel::SetColCount(int n) {
    n = std::max(n, 1);
    if (n == cols_)
        return;
    beginResetModel();
    cols_ = n;
    for (auto& r : cells_)
        r.resize(n);
    endResetModel();
}

void StringGridModel::SetRowCount(int n) {
    n = std::max(n, fixed_ + 1);  // a grid always keeps one row below its fixed rows
    if (n == RowCount())
        return;
    if (n > RowCount()) {
        cells_.resize(n, std::vector<QString>(cols_));
        ScheduleFlush();
        return;
    }
    ForgetFrom(n);
    if (n < shown_) {
        beginRemoveRows({}, n - fixed_, shown_ - fixed_ - 1);
        cells_.resize(n);
        shown_ = n;
        endRemoveRows();
    } else {
        cells_.resize(n);  // only rows the view never saw go
    }
}

qint64 StringGridModel::WaitLeft() const {
    if (minFlushMs_ <= 0 || !lastFlushMs_)
        return 0;
    return std::min<qint64>(*lastFlushMs_ + minFlushMs_ - nowMs_(), minFlushMs_);
}

void StringGridModel::ScheduleFlush() {
    if (flushPending_)
        return;
    flushPending_ = true;
    const qint64 wait = WaitLeft();
    if (wait > 0)
        flushTimer_->start(int(wait));
    else
        QMetaObject::invokeMethod(this, GuardedSlot("StringGridModel::Flush", [this] { Flush(); }),
                                  Qt::QueuedConnection);
}

void StringGridModel::FlushWhenDue() {
    const qint64 wait = WaitLeft();
    if (wait > 0)
        flushTimer_->start(int(wait));
    else
        Flush();
}

void StringGridModel::Flush() {
    flushPending_ = false;
    flushTimer_->stop();
    lastFlushMs_ = nowMs_();
    if (RowCount() > shown_) {
        beginInsertRows({}, shown_ - fixed_, RowCount() - fixed_ - 1);
        shown_ = RowCount();
        endInsertRows();
    }
    emit Flushed();
}

QString StringGridModel::Cell(int col, int row) const {
    if (row < 0 || row >= RowCount() || col < 0 || col >= cols_)
        return {};
    return cells_[row][col];
}

void StringGridModel::SetCell(int col, int row, const QString& text) {
    if (row < 0 || row >= RowCount() || col < 0 || col >= cols_)
        return;
    cells_[row][col] = text;
    bytes_.erase({row, col});
    if (row < fixed_) {
        emit headerDataChanged(Qt::Horizontal, col, col);
    } else if (row < shown_) {
        QModelIndex i = index(row - fixed_, col);
        emit dataChanged(i, i, {Qt::DisplayRole});
    }
}

int StringGridModel::AddToRow(int row, const QString& text) {
    if (row < 0 || row >= RowCount())
        return -1;
    auto& r = cells_[row];
    auto it = std::find_if(r.begin(), r.end(), [](const QString& s) { return s.isEmpty(); });
    if (it == r.end())
        return -1;
    int col = static_cast<int>(it - r.begin());
    SetCell(col, row, text.isEmpty() ? QStringLiteral(" ") : text);
    return col;
}

void StringGridModel::SetCellBytes(int col, int row, const QByteArray& bytes) {
    if (row < 0 || row >= RowCount() || col < 0 || col >= cols_)
        return;
    if (bytes == cells_[row][col].toUtf8())
        bytes_.erase({row, col});
    else
        bytes_[{row, col}] = bytes;
}

QByteArray StringGridModel::CellBytes(int col, int row) const {
    if (auto it = bytes_.find({row, col}); it != bytes_.end())
        return it->second;
    return Cell(col, row).toUtf8();
}

void StringGridModel::SetRowMark(int row, bool on) {
    if (row < 0 || row >= RowCount())
        return;
    if (on)
        marked_.insert(row);
    else
        marked_.erase(row);
}

bool StringGridModel::RowMark(int row) const {
    return marked_.count(row) > 0;
}

void StringGridModel::ForgetFrom(int from) {
    bytes_.erase(bytes_.lower_bound({from, INT_MIN}), bytes_.end());
    marked_.erase(marked_.lower_bound(from), marked_.end());
}

void StringGridModel::ClearColumn(int col) {
    if (col < 0 || col >= cols_)
        return;
    for (auto& r : cells_)
        r[col].clear();
    std::erase_if(bytes_, [col](const auto& kv) { return kv.first.second == col; });
    if (fixed_)
        emit headerDataChanged(Qt::Horizontal, col, col);
    if (rowCount() > 0)
        emit dataChanged(index(0, col), index(rowCount() - 1, col));
}

void StringGridModel::Clear() {
    beginResetModel();
    ForgetFrom(0);
    for (auto& r : cells_)
        for (auto& c : r)
            c.clear();
    shown_ = RowCount();
    endResetModel();
}

int StringGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shown_ - fixed_;
}

int StringGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : cols_;
}

QVariant StringGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return cells_[index.row() + fixed_][index.column()];
}

QVariant StringGridModel::headerData(int section, Qt::Orientation o, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (o == Qt::Horizontal && fixed_ && section >= 0 && section < cols_)
        return cells_[0][section];
    return {};
}

Qt::ItemFlags StringGridModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (editable_ && index.isValid())
        f |= Qt::ItemIsEditable;
    return f;
}

bool StringGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!editable_ || !index.isValid() || role != Qt::EditRole)
        return false;
    SetCell(index.column(), index.row() + fixed_, value.toString());
    return true;
}

TStringGrid::TStringGrid(int cols, int rows, int fixedRows, QWidget* parent)
    : QTableView(parent), model_(new StringGridModel(cols, rows, fixedRows, this)) {
    setModel(model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);
    verticalHeader()->hide();
    // Fixed row heights keep appends and scrolling cheap however long the grid grows; where
    // rows may be sized, the grid lines are the handles (this header is never shown).
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    SetDefaultRowHeight(18);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setStretchLastSection(false);
    if (!fixedRows)
        horizontalHeader()->hide();
    connect(model_, &StringGridModel::Flushed, this,
            GuardedSlot("TStringGrid::ApplyPendingRow", [this] { ApplyPendingRow(); }));
    SetOptions({});
}

void TStringGrid::paintEvent(QPaintEvent* e) {
    Guarded(
        "TStringGrid::paintEvent",
        [&] {
            QTableView::paintEvent(e);
            PaintFocusWithoutItem(*this, verticalHeader()->defaultSectionSize());
        },
        FaultBox::LogOnly);
}

void TStringGrid::SetOptions(GridOptions o) {
    options_ = o;
    horizontalHeader()->setSectionResizeMode(
        o.testFlag(GridOption::ColSizing) ? QHeaderView::Interactive : QHeaderView::Fixed);
    model_->SetEditable(o.testFlag(GridOption::Editing));
    setEditTriggers(o.testFlag(GridOption::Editing) ? DoubleClicked | EditKeyPressed | AnyKeyPressed
                                                    : NoEditTriggers);
    setTabKeyNavigation(o.testFlag(GridOption::Tabs));
    // The pointer has to be followed to show the sizing cursor over a grid line. (Left on
    // otherwise: the view may follow it for its own hover.)
    if (o.testAnyFlags(GridOption::RowSizing | GridOption::ColSizing))
        viewport()->setMouseTracking(true);
}

void TStringGrid::SetColWidth(int col, int width) {
    setColumnWidth(col, width);
}

void TStringGrid::SetDefaultRowHeight(int h) {
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(h);
}

int TStringGrid::Row() const {
    if (pendingRow_ >= 0)
        return pendingRow_;
    QModelIndex i = currentIndex();
    return i.isValid() ? i.row() + FixedRows() : -1;
}

void TStringGrid::SetRow(int r) {
    if (r < FixedRows() || r >= RowCount())
        return;
    if (r >= model_->ShownRows()) {
        // The view learns of the row at the next flush; select it then.
        pendingRow_ = r;
        return;
    }
    pendingRow_ = -1;
    QModelIndex i = model_->index(r - FixedRows(), 0);
    setCurrentIndex(i);
    scrollTo(i);
}

TStringGrid::Edge TStringGrid::EdgeAt(QPoint p) const {
    // The line below (or right of) the section nearest to the point, when within the grip.
    auto near = [](int pos, auto at, auto end) {
        for (int probe : {pos - kEdgeGrip, pos + kEdgeGrip}) {
            int s = at(probe);
            if (s >= 0 && std::abs(end(s) - pos) <= kEdgeGrip)
                return s;
        }
        return -1;
    };
    if (options_.testFlag(GridOption::RowSizing)) {
        int r = near(
            p.y(), [this](int y) { return rowAt(y); },
            [this](int s) { return rowViewportPosition(s) + rowHeight(s); });
        if (r >= 0)
            return {Qt::Vertical, r};
    }
    if (options_.testFlag(GridOption::ColSizing) && horizontalHeader()->isHidden()) {
        int c = near(
            p.x(), [this](int x) { return columnAt(x); },
            [this](int s) { return columnViewportPosition(s) + columnWidth(s); });
        if (c >= 0)
            return {Qt::Horizontal, c};
    }
    return {};
}

int TStringGrid::SectionSize(const Edge& e) const {
    return e.across == Qt::Vertical ? rowHeight(e.section) : columnWidth(e.section);
}

void TStringGrid::ResizeSection(const Edge& e, int size) {
    size = std::max(size, 1);
    if (e.across == Qt::Vertical)
        verticalHeader()->resizeSection(e.section, size);
    else
        horizontalHeader()->resizeSection(e.section, size);
}

void TStringGrid::mousePressEvent(QMouseEvent* e) {
    Guarded("TStringGrid::mousePressEvent", [&] {
        Edge edge = e->button() == Qt::LeftButton ? EdgeAt(e->position().toPoint()) : Edge{};
        if (edge.section < 0) {
            QTableView::mousePressEvent(e);
            return;
        }
        sizing_ = edge;
        QPoint p = e->position().toPoint();
        sizingFrom_ = edge.across == Qt::Vertical ? p.y() : p.x();
        sizingStart_ = SectionSize(edge);
        e->accept();
    });
}

void TStringGrid::mouseMoveEvent(QMouseEvent* e) {
    Guarded("TStringGrid::mouseMoveEvent", [&] {
        QPoint p = e->position().toPoint();
        if (sizing_.section >= 0) {
            int at = sizing_.across == Qt::Vertical ? p.y() : p.x();
            ResizeSection(sizing_, sizingStart_ + at - sizingFrom_);
            e->accept();
            return;
        }
        if (options_.testAnyFlags(GridOption::RowSizing | GridOption::ColSizing)) {
            Edge edge = e->buttons() == Qt::NoButton ? EdgeAt(p) : Edge{};
            if (edge.section < 0)
                viewport()->unsetCursor();
            else
                viewport()->setCursor(edge.across == Qt::Vertical ? Qt::SplitVCursor
                                                                  : Qt::SplitHCursor);
        }
        QTableView::mouseMoveEvent(e);
    });
}

void TStringGrid::mouseReleaseEvent(QMouseEvent* e) {
    Guarded("TStringGrid::mouseReleaseEvent", [&] {
        if (sizing_.section >= 0 && e->button() == Qt::LeftButton) {
            sizing_ = {};
            e->accept();
            return;
        }
        QTableView::mouseReleaseEvent(e);
    });
}

void TStringGrid::ApplyPendingRow() {
    if (pendingRow_ < 0)
        return;
    int r = pendingRow_;
    pendingRow_ = -1;
    SetRow(r);
}

}  // namespace orv::ui
