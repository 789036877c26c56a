#include "controls/stringgrid.h"

#include <QHeaderView>
#include <QTimer>
#include <algorithm>

namespace orv::ui {

StringGridModel::StringGridModel(int cols, int rows, int fixedRows, QObject* parent)
    : QAbstractTableModel(parent),
      cols_(std::max(cols, 1)),
      fixed_(std::clamp(fixedRows, 0, 1)),
      shown_(std::max(rows, fixed_ + 1)),
      cells_(shown_, std::vector<QString>(cols_)) {}

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
    if (n < shown_) {
        beginRemoveRows({}, n - fixed_, shown_ - fixed_ - 1);
        cells_.resize(n);
        shown_ = n;
        endRemoveRows();
    } else {
        cells_.resize(n);  // only rows the view never saw go
    }
}

void StringGridModel::ScheduleFlush() {
    if (flushPending_)
        return;
    flushPending_ = true;
    qint64 wait = minFlushMs_ > 0 && lastFlush_.isValid() ? minFlushMs_ - lastFlush_.elapsed() : 0;
    if (wait > 0)
        QTimer::singleShot(int(wait), this, &StringGridModel::Flush);
    else
        QMetaObject::invokeMethod(this, &StringGridModel::Flush, Qt::QueuedConnection);
}

void StringGridModel::Flush() {
    flushPending_ = false;
    lastFlush_.start();
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

void StringGridModel::ClearColumn(int col) {
    if (col < 0 || col >= cols_)
        return;
    for (auto& r : cells_)
        r[col].clear();
    if (fixed_)
        emit headerDataChanged(Qt::Horizontal, col, col);
    if (rowCount() > 0)
        emit dataChanged(index(0, col), index(rowCount() - 1, col));
}

void StringGridModel::Clear() {
    beginResetModel();
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
    if (!index.isValid() || role != Qt::DisplayRole)
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

TStringGrid::TStringGrid(int cols, int rows, int fixedRows, QWidget* parent)
    : QTableView(parent), model_(new StringGridModel(cols, rows, fixedRows, this)) {
    setModel(model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);
    verticalHeader()->hide();
    // Fixed row heights keep appends and scrolling cheap however long the grid grows.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    SetDefaultRowHeight(18);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setStretchLastSection(false);
    if (!fixedRows)
        horizontalHeader()->hide();
    connect(model_, &StringGridModel::Flushed, this, &TStringGrid::ApplyPendingRow);
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

void TStringGrid::ApplyPendingRow() {
    if (pendingRow_ < 0)
        return;
    int r = pendingRow_;
    pendingRow_ = -1;
    SetRow(r);
}

}  // namespace orv::ui
