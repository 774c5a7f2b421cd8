#include "dataviews/UpdateStatement.h"

namespace {

bool written(const ColumnDefinition& column) {
    return column.updatable && !column.dbColumn.isEmpty();
}

// A null goes out as a typed null text, so the driver binds it like the other values.
QVariant input(const QVariant& value) {
    return value.isValid() ? value : QVariant(QMetaType::fromType<QString>());
}

} // namespace

UpdateStatement UpdateStatement::insertFor(const DataViewDefinition& definition,
                                           const RowBuffer& row) {
    QStringList names;
    QStringList markers;
    UpdateStatement statement;
    for (int i = 0; i < definition.columns.size(); ++i) {
        if (!row.changed[i] || !written(definition.columns[i]))
            continue;
        names.append(definition.columns[i].dbColumn);
        markers.append(QStringLiteral("?"));
        statement.inputs.append(input(row.values[i]));
    }
    if (names.isEmpty())
        return {};
    statement.sql = QStringLiteral("INSERT INTO %1 ( %2 ) VALUES ( %3 )")
                        .arg(definition.updateTable, names.join(QStringLiteral(" , ")),
                             markers.join(QStringLiteral(" , ")));
    return statement;
}

UpdateStatement UpdateStatement::updateFor(const DataViewDefinition& definition,
                                           const RowBuffer& row) {
    const int keyIndex = definition.columnIndex(definition.keyColumn);
    QStringList sets;
    QList<QVariant> setInputs;
    QStringList conditions;
    QList<QVariant> whereInputs;
    const auto condition = [&](int i) {
        const QString& column = definition.columns[i].dbColumn;
        if (!row.originals[i].isValid()) {
            conditions.append(column + QStringLiteral(" IS NULL"));
            return;
        }
        conditions.append(column + QStringLiteral(" = ?"));
        whereInputs.append(row.originals[i]);
    };
    condition(keyIndex);
    for (int i = 0; i < definition.columns.size(); ++i) {
        if (!row.changed[i] || !written(definition.columns[i]))
            continue;
        sets.append(definition.columns[i].dbColumn + QStringLiteral(" = ?"));
        setInputs.append(input(row.values[i]));
        if (i != keyIndex)
            condition(i);
    }
    if (sets.isEmpty())
        return {};
    UpdateStatement statement;
    statement.sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                        .arg(definition.updateTable, sets.join(QStringLiteral(" , ")),
                             conditions.join(QStringLiteral(" AND ")));
    statement.inputs = setInputs + whereInputs;
    return statement;
}
