// A string grid: cells addressed by (column, row), a RowCount that the code sets, optional
// fixed heading row (row 0, shown as the grid's header), whole-row selection.
#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <QFlags>
#include <QString>
#include <QTableView>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

class QTimer;

namespace orv::ui {

// What the user may do with a grid besides selecting rows; a grid starts with none of them.
enum class GridOption : unsigned {
    ColSizing = 1 << 0,  // drag a column's right edge
    RowSizing = 1 << 1,  // drag a row's bottom edge
    Editing = 1 << 2,    // type into the cells below the heading row
    Tabs = 1 << 3,       // Tab moves from cell to cell instead of on to the next control
};
Q_DECLARE_FLAGS(GridOptions, GridOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(GridOptions)

class StringGridModel final : public QAbstractTableModel {
    Q_OBJECT
  public:
    StringGridModel(int cols, int rows, int fixedRows, QObject* parent = nullptr);

    int ColCount() const { return cols_; }
    int RowCount() const { return static_cast<int>(cells_.size()); }
    int FixedRows() const { return fixed_; }
    void SetColCount(int n);
    void SetRowCount(int n);
    QString Cell(int col, int row) const;
    void SetCell(int col, int row, const QString& text);
    // Writes `text` into the first empty cell of `row` (an empty value is kept as " " so the
    // cell counts as filled); returns the column written, -1 when the row is full.
    int AddToRow(int row, const QString& text);
    // The bytes a cell's text was decoded from, for the exports: kept only where they are not
    // the text's UTF-8 (a resolver's answer that is not UTF-8, an entry of an 8-bit list
    // file). Setting the cell's text forgets them.
    void SetCellBytes(int col, int row, const QByteArray& bytes);
    // The cell's bytes: those kept, else its text in UTF-8.
    QByteArray CellBytes(int col, int row) const;
    // A mark a page keeps on a row for what the cells do not say. Rows that go lose it.
    void SetRowMark(int row, bool on);
    bool RowMark(int row) const;
    // Empties every cell of column `col`.
    void ClearColumn(int col);
    // Empties every cell.
    void Clear();
    // Tells the view about rows added since the last flush. Rows are announced in batches (a
    // view re-indexes all its rows on every insertion), on the next turn of the event loop.
    void Flush();
    int ShownRows() const { return shown_; }
    // Whether the user may change the cells through the view.
    void SetEditable(bool on) { editable_ = on; }
    // Announcements come no closer together than `ms` milliseconds (0, the default: on every
    // turn of the event loop that added rows), for grids that rows pour into.
    void SetMinFlushInterval(int ms) { minFlushMs_ = ms; }
    // The clock that interval is measured on, in milliseconds (a monotonic one by default;
    // tests hold a clock of their own).
    void SetClock(std::function<qint64()> nowMs);

  signals:
    void Flushed();

  public:
    // QAbstractTableModel
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  private:
    void ScheduleFlush();
    // The interval's timer: flushes once the interval has passed on the clock, else waits on.
    void FlushWhenDue();
    qint64 WaitLeft() const;

    int cols_;
    int fixed_;
    int shown_;  // rows the view knows of, fixed rows included
    bool flushPending_ = false;
    bool editable_ = false;
    int minFlushMs_ = 0;
    std::function<qint64()> nowMs_;
    std::optional<qint64> lastFlushMs_;
    QTimer* flushTimer_;
    std::vector<std::vector<QString>> cells_;          // cells_[row][col], fixed rows included
    std::map<std::pair<int, int>, QByteArray> bytes_;  // by (row, col); few cells have them
    std::set<int> marked_;
    // Forgets the bytes and marks of rows `from` and after.
    void ForgetFrom(int from);
};

class TStringGrid : public QTableView {
    Q_OBJECT
  public:
    TStringGrid(int cols, int rows, int fixedRows, QWidget* parent = nullptr);

    StringGridModel& Model() { return *model_; }
    const StringGridModel& Model() const { return *model_; }

    int ColCount() const { return model_->ColCount(); }
    void SetColCount(int n) { model_->SetColCount(n); }
    int RowCount() const { return model_->RowCount(); }
    void SetRowCount(int n) { model_->SetRowCount(n); }
    int FixedRows() const { return model_->FixedRows(); }
    QString Cells(int col, int row) const { return model_->Cell(col, row); }
    void SetCells(int col, int row, const QString& text) { model_->SetCell(col, row, text); }
    QByteArray CellBytes(int col, int row) const { return model_->CellBytes(col, row); }
    int AddToRow(int row, const QString& text) { return model_->AddToRow(row, text); }
    void SetColWidth(int col, int width);
    int ColWidth(int col) const { return columnWidth(col); }
    void SetDefaultRowHeight(int h);
    GridOptions Options() const { return options_; }
    void SetOptions(GridOptions o);

    // The selected row in grid numbering (fixed rows included); -1 when none.
    int Row() const;
    // Selects row `r` (grid numbering) and scrolls it into view.
    void SetRow(int r);

  protected:
    // Sizing by the grid lines: rows have no header to drag, nor columns when the heading row
    // is not shown.
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    // The focus shows also while no row is visible to carry it.
    void paintEvent(QPaintEvent* e) override;

  private:
    struct Edge {
        Qt::Orientation across = Qt::Vertical;  // Vertical: a row's bottom edge
        int section = -1;
    };
    Edge EdgeAt(QPoint p) const;
    int SectionSize(const Edge& e) const;
    void ResizeSection(const Edge& e, int size);
    void ApplyPendingRow();

    StringGridModel* model_;
    int pendingRow_ = -1;  // selected before the view knew of the row
    GridOptions options_;
    Edge sizing_;          // the edge being dragged; section -1 when none
    int sizingFrom_ = 0;   // where the drag started, along the sized direction
    int sizingStart_ = 0;  // the section's size when the drag started
};

}  // namespace orv::ui
