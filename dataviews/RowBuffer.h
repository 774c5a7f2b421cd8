#pragma once

#include <QList>
#include <QVariant>

// The state of a row since it was read (or last marked saved).
enum class RowStatus {
    New,          // inserted, nothing set yet: not written
    NewModified,  // inserted and set: written with INSERT
    DataModified, // read and changed: written with UPDATE
    NotModified,  // as read
};

// One row of a data view: the current values, the values as read, and which columns changed.
// A value is a QString, or an invalid QVariant for null.
struct RowBuffer {
    QList<QVariant> values;
    QList<QVariant> originals;
    QList<bool> changed;
    RowStatus status = RowStatus::NotModified;

    static RowBuffer fresh(int columns) {
        RowBuffer row;
        row.values = QList<QVariant>(columns);
        row.originals = row.values;
        row.changed = QList<bool>(columns, false);
        row.status = RowStatus::New;
        return row;
    }
};
