#pragma once

#include "dataviews/DataStore.h"

#include <QWidget>

class DataViewForm;
class DataViewModel;
class DataViewTable;
class DataViewDelegate;
class QAbstractScrollArea;
class QSortFilterProxyModel;
class QTableView;
class Transaction;

// A data-view control on a page: a definition, its rows (DataStore) and their presentation, a
// grid (QTableView) or a form. The page sets objectName ("dw_3" ...). Rows are numbered from 1;
// the store's operations are forwarded under the same names.
class DataView : public QWidget {
    Q_OBJECT
  public:
    enum class Border { None, Lowered };

    explicit DataView(const DataViewDefinition& definition, QWidget* parent = nullptr);
    ~DataView() override;

    const DataViewDefinition& definition() const { return m_store->definition(); }
    DataStore& store() { return *m_store; }
    const DataStore& store() const { return *m_store; }

    int settransobject(Transaction& transaction) { return m_store->settransobject(transaction); }
    long retrieve() { return m_store->retrieve(); }
    long rowcount() const { return m_store->rowcount(); }
    long insertrow(long row) { return m_store->insertrow(row); }
    QString getitemstring(long row, const QString& column) const {
        return m_store->getitemstring(row, column);
    }
    int setitem(long row, const QString& column, const QString& value) {
        return m_store->setitem(row, column, value);
    }
    int update() { return m_store->update(); }
    int resetupdate() { return m_store->resetupdate(); }
    QString lastError() const { return m_store->lastError(); }

    // The current row (the one the form shows, or the grid's current cell); 0 when none.
    long getrow() const;
    // Makes a row current: 1, or -1 when out of range.
    int setrow(long row);
    // Gives the focus to a column's field (form) or cell (grid) in the current row: 1, or -1
    // for an unknown or hidden column.
    int setcolumn(const QString& column);
    // Highlights (or un-highlights) a row; row 0 means every row. 1, or -1 when out of range.
    int selectrow(long row, bool select);
    bool isselected(long row) const;

    void setBorder(Border border);
    // Scroll bars shown always (true) or when needed (false).
    void setScrollBars(bool horizontal, bool vertical);

    // The grid, or null for a form.
    QTableView* grid() const;
    // A column's field in a form, or null.
    QWidget* field(const QString& column) const;

  signals:
    // The user changed a value and the view accepted it (never for setitem or retrieve).
    void itemchanged(int row, const QString& column, const QString& data);
    // A click: "column" on a cell with its row, "text" on a heading, "datawindow" elsewhere
    // (row 0).
    void clicked(const QString& objectType, int row);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildGrid();
    // The grid's column of a definition's column (the grid leaves the hidden ones out), and
    // the grid's cell of a row (from 0) and a definition's column.
    int shownColumn(int column) const;
    QModelIndex gridCell(int row, int column) const;

    DataStore* m_store;
    DataViewModel* m_model;
    DataViewDelegate* m_delegate;
    QSortFilterProxyModel* m_shown = nullptr;
    DataViewTable* m_table = nullptr;
    DataViewForm* m_form = nullptr;
    QAbstractScrollArea* m_area = nullptr;
};
