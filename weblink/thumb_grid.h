// The WebLink viewer's grid: two columns of 120 x 90 cells with grid lines of two pixels,
// cell (column X, row Y) standing for record 2Y + X. The grid draws its lines and the frame
// of the selected cell; what a cell shows, and what selecting it does, is its owner's.
#pragma once

#include <QTableWidget>

#include <functional>

class TThumbGrid : public QTableWidget {
    Q_OBJECT
public:
    static constexpr int Columns = 2;
    static constexpr int CellWidth = 120;
    static constexpr int CellHeight = 90;
    static constexpr int LineWidth = 2;

    explicit TThumbGrid(QWidget* parent = nullptr);

    // The record a cell stands for, and the rows that `records` records need (the count
    // halved, rounded up).
    static int RecordOfCell(int column, int row) { return Columns * row + column; }
    static int RowsFor(int records) { return (records + Columns - 1) / Columns; }

    // The place of a cell's picture in the viewport (the cell without its grid lines).
    QRect CellRect(int column, int row) const;
    // No cell selected: the next click on any cell selects it again.
    void ClearSelectedCell();

    // Draws the content of a cell into `cell`; set by the owner.
    std::function<void(QPainter& painter, const QRect& cell, int column, int row)> OnDrawCell;
    // A cell was selected, with the mouse or the keyboard.
    std::function<void(int column, int row)> OnSelectCell;
};
