#pragma once

#include <QTableView>

struct DataViewDefinition;

// The grid of a data view: Tab and Shift+Tab move through the editable cells in the
// definition's tab order, row after row, instead of through every column.
class DataViewTable : public QTableView {
    Q_OBJECT
  public:
    explicit DataViewTable(const DataViewDefinition& definition, QWidget* parent = nullptr);

  protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;

  private:
    const DataViewDefinition& m_definition;
};
