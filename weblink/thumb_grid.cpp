#include "weblink/thumb_grid.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {

// Paints a cell: the owner's picture, the grid lines along its right and bottom edges, and a
// frame when it is the selected cell (a picture covers the whole cell, so the usual
// highlight would not show).
class TThumbCellPainter : public QStyledItemDelegate {
public:
    explicit TThumbCellPainter(TThumbGrid& grid) : QStyledItemDelegate(&grid), Grid(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QRect cell(option.rect.topLeft(),
                         QSize(TThumbGrid::CellWidth, TThumbGrid::CellHeight));
        painter->save();
        painter->fillRect(option.rect, Grid.palette().color(QPalette::Base));
        if (Grid.OnDrawCell)
            Grid.OnDrawCell(*painter, cell, index.column(), index.row());
        const QColor line = Grid.palette().color(QPalette::Mid);
        painter->fillRect(cell.right() + 1, option.rect.top(), TThumbGrid::LineWidth,
                          option.rect.height(), line);
        painter->fillRect(option.rect.left(), cell.bottom() + 1, option.rect.width(),
                          TThumbGrid::LineWidth, line);
        if (option.state & QStyle::State_Selected) {
            QPen frame(Grid.palette().color(QPalette::Highlight), 3);
            frame.setJoinStyle(Qt::MiterJoin);
            painter->setPen(frame);
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(cell.adjusted(1, 1, -1, -1));
        }
        painter->restore();
    }

private:
    TThumbGrid& Grid;
};

} // namespace

TThumbGrid::TThumbGrid(QWidget* parent) : QTableWidget(parent) {
    setColumnCount(Columns);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setDefaultSectionSize(CellWidth + LineWidth);
    verticalHeader()->setDefaultSectionSize(CellHeight + LineWidth);
    horizontalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setMinimumSectionSize(1);
    setShowGrid(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setItemDelegate(new TThumbCellPainter(*this));
    // Selecting, not the current cell: the view makes the first cell current, unselected, when
    // it takes the focus, and that selects nothing.
    connect(this, &QTableWidget::itemSelectionChanged, this, [this] {
        const QModelIndexList selected = selectedIndexes();
        if (!selected.isEmpty() && OnSelectCell)
            OnSelectCell(selected.first().column(), selected.first().row());
    });
}

QRect TThumbGrid::CellRect(int column, int row) const {
    return QRect(visualRect(model()->index(row, column)).topLeft(), QSize(CellWidth, CellHeight));
}

void TThumbGrid::ClearSelectedCell() {
    const QSignalBlocker quiet(this);
    clearSelection();
    setCurrentCell(-1, -1);
    viewport()->update();
}
