#pragma once

#include "dataviews/DataViewDefinition.h"
#include "dataviews/RowBuffer.h"

#include <QList>
#include <QObject>
#include <QString>

class Transaction;

// The rows of one data view between loading and saving, without any widget. Rows are numbered
// from 1. Every row keeps its values as read, its state and which columns changed, so that
// update() writes exactly what changed and finds the row only as it was read.
class DataStore : public QObject {
    Q_OBJECT
  public:
    explicit DataStore(const DataViewDefinition& definition, QObject* parent = nullptr);

    const DataViewDefinition& definition() const { return m_definition; }

    // Binds the store to a transaction (kept by reference: it must outlive the store).
    int settransobject(Transaction& transaction);

    // Discards every row, then reads all rows of the select. The number of rows, or -1 on a
    // database error (the transaction keeps its status) or when unbound.
    long retrieve();
    long rowcount() const { return long(m_rows.size()); }
    // Inserts a fresh row (every value null) before `row`, or at the end for 0. Its number,
    // or -1 when `row` is out of range.
    long insertrow(long row);

    // The value as text; a null QString for null, an empty one for an empty text.
    QString getitemstring(long row, const QString& column) const;
    // Sets a value (a null QString sets null) and marks row and column as changed, whatever the
    // value was. 1, or -1 for an unknown row or column.
    int setitem(long row, const QString& column, const QString& value);

    // Writes the new and changed rows in row order through the bound transaction. 1 on
    // success; -1 at the first failure, with the transaction's status and lastError(). The
    // rows keep their states either way: resetupdate() marks them saved.
    int update();
    // Marks every row as saved: current values become the originals, nothing is changed.
    int resetupdate();

    // Why the last retrieve() or update() failed; empty after a success.
    QString lastError() const { return m_lastError; }

    RowStatus getitemstatus(long row) const;
    bool isModified(long row, const QString& column) const;
    // The value as read (or as last marked saved); null QString for null.
    QString originalString(long row, const QString& column) const;

  signals:
    // Around replacing every row (retrieve) and inserting one (insertrow), so that views can
    // follow.
    void rowsAboutToBeReset();
    void rowsReset();
    void rowAboutToBeInserted(long row);
    void rowInserted(long row);
    // A value changed through setitem (not only user edits).
    void itemSet(long row, int column);

  private:
    bool validRow(long row) const { return row >= 1 && row <= long(m_rows.size()); }
    bool ready(const char* operation);
    int failUpdate(long row, const QString& text);

    const DataViewDefinition m_definition;
    Transaction* m_transaction = nullptr;
    QList<RowBuffer> m_rows;
    QString m_lastError;
};
