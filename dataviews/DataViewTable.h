#pragma once

#include <QPersistentModelIndex>
#include <QTableView>

// The grid of a data view. Tab and Shift+Tab move through the editable cells in the
// definition's tab order, row after row, and leave the grid past its last (first) editable
// cell; Ctrl with Tab or PageUp/PageDown is left to the window. Only while the focus is in the
// grid does it have a current cell (a screen reader takes the current cell for the focused
// object): the cell is put aside when the focus leaves and comes back with it.
class DataViewTable : public QTableView {
    Q_OBJECT
  public:
    explicit DataViewTable(QWidget* parent = nullptr);
    ~DataViewTable() override;

    // The view's columns Tab walks, in order.
    void setTabColumns(const QList<int>& columns) { m_tabColumns = columns; }

    // The current cell, or the one put aside while the focus is elsewhere.
    QModelIndex currentCell() const;
    // Makes a cell current (or the one to come back to), opening no editor.
    void setCurrentCell(const QModelIndex& index);

  protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void focusInEvent(QFocusEvent* event) override;

  protected slots:
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

  private:
    bool holds(const QWidget* widget) const;
    void setCurrentQuietly(const QModelIndex& index);

    QList<int> m_tabColumns;
    QPersistentModelIndex m_aside;
    QMetaObject::Connection m_focusWatch;
};
