#pragma once

#include "dataviews/DataViewDefinition.h"
#include "dataviews/RowBuffer.h"

#include <QList>
#include <QString>
#include <QVariant>

// The statement that writes one row back, every value a bound input ('?').
struct UpdateStatement {
    QString sql;
    QList<QVariant> inputs;

    bool isEmpty() const { return sql.isEmpty(); }

    // INSERT of the updatable columns set on a new row.
    static UpdateStatement insertFor(const DataViewDefinition& definition, const RowBuffer& row);
    // UPDATE of the changed updatable columns, found by the key's original value and the
    // original values of the changed columns, so that a row someone else changed in those
    // columns (or deleted) is not found. Empty when nothing updatable changed.
    static UpdateStatement updateFor(const DataViewDefinition& definition, const RowBuffer& row);
};
