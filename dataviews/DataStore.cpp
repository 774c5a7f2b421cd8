#include "dataviews/DataStore.h"

#include "dataviews/UpdateStatement.h"
#include "services/sql/Transaction.h"

namespace {

QString asString(const QVariant& value) {
    if (!value.isValid())
        return QString();
    QString text = value.toString();
    if (text.isNull())
        text = QStringLiteral(""); // an empty text is not a null
    return text;
}

// What the store keeps of a read value: text, or invalid for null.
QVariant stored(const QVariant& read) {
    if (!read.isValid() || read.isNull())
        return QVariant();
    return asString(read);
}

} // namespace

DataStore::DataStore(const DataViewDefinition& definition, QObject* parent)
    : QObject(parent), m_definition(definition) {}

int DataStore::settransobject(Transaction& transaction) {
    m_transaction = &transaction;
    return 1;
}

bool DataStore::ready(const char* operation) {
    if (m_transaction == nullptr) {
        m_lastError = QStringLiteral("%1 of %2: the data view is not bound to a transaction.")
                          .arg(QLatin1String(operation), m_definition.name);
        return false;
    }
    if (!m_transaction->isConnected()) {
        m_lastError = QStringLiteral("%1 of %2: the transaction is not connected to a database.")
                          .arg(QLatin1String(operation), m_definition.name);
        return false;
    }
    return true;
}

long DataStore::retrieve() {
    m_lastError.clear();
    // Read before the rows are replaced: the call waits in an event loop, where the views
    // still paint the rows they were last told of.
    QList<QList<QVariant>> read;
    bool readOk = ready("Retrieve");
    if (readOk && m_transaction->selectRows(m_definition.select, {}, read) < 0) {
        m_lastError = QStringLiteral("Retrieve of %1 failed: %2")
                          .arg(m_definition.name, m_transaction->SQLErrText);
        readOk = false;
    }
    emit rowsAboutToBeReset();
    m_rows.clear();
    const int columns = int(m_definition.columns.size());
    if (readOk)
        m_rows.reserve(read.size());
    for (const QList<QVariant>& values : std::as_const(read)) {
        RowBuffer row = RowBuffer::fresh(columns);
        row.status = RowStatus::NotModified;
        for (int i = 0; i < columns && i < values.size(); ++i)
            row.values[i] = stored(values[i]);
        row.originals = row.values;
        m_rows.append(row);
    }
    emit rowsReset();
    return readOk ? rowcount() : -1;
}

long DataStore::insertrow(long row) {
    if (row != 0 && !validRow(row))
        return -1;
    const long at = row == 0 ? rowcount() + 1 : row;
    emit rowAboutToBeInserted(at);
    m_rows.insert(at - 1, RowBuffer::fresh(int(m_definition.columns.size())));
    emit rowInserted(at);
    return at;
}

QString DataStore::getitemstring(long row, const QString& column) const {
    const int c = m_definition.columnIndex(column);
    if (!validRow(row) || c < 0)
        return QString();
    return asString(m_rows[row - 1].values[c]);
}

int DataStore::setitem(long row, const QString& column, const QString& value) {
    const int c = m_definition.columnIndex(column);
    if (!validRow(row) || c < 0)
        return -1;
    RowBuffer& buffer = m_rows[row - 1];
    buffer.values[c] = value.isNull() ? QVariant() : QVariant(asString(value));
    buffer.changed[c] = true;
    if (buffer.status == RowStatus::New)
        buffer.status = RowStatus::NewModified;
    else if (buffer.status == RowStatus::NotModified)
        buffer.status = RowStatus::DataModified;
    emit itemSet(row, c);
    return 1;
}

int DataStore::failUpdate(long row, const QString& text) {
    m_lastError =
        QStringLiteral("Update of %1, row %2: %3").arg(m_definition.name).arg(row).arg(text);
    return -1;
}

int DataStore::update() {
    m_lastError.clear();
    if (!ready("Update"))
        return -1;
    const int keyIndex = m_definition.columnIndex(m_definition.keyColumn);
    for (long r = 1; r <= rowcount(); ++r) {
        const RowBuffer& row = m_rows[r - 1];
        UpdateStatement statement;
        if (row.status == RowStatus::NewModified)
            statement = UpdateStatement::insertFor(m_definition, row);
        else if (row.status == RowStatus::DataModified)
            statement = UpdateStatement::updateFor(m_definition, row);
        if (statement.isEmpty())
            continue;
        const int rc = m_transaction->execute(statement.sql, statement.inputs);
        if (rc < 0)
            return failUpdate(r, m_transaction->SQLErrText);
        if (rc == 100 && row.status == RowStatus::DataModified) {
            const QVariant key = row.originals[keyIndex];
            return failUpdate(
                r, QStringLiteral("the row of table %1 with %2 %3 was changed or deleted by "
                                  "another user since it was read; nothing was written.")
                       .arg(m_definition.updateTable, m_definition.columns[keyIndex].dbColumn,
                            key.isValid() ? QStringLiteral("'%1'").arg(asString(key))
                                          : QStringLiteral("null")));
        }
    }
    return 1;
}

int DataStore::resetupdate() {
    for (RowBuffer& row : m_rows) {
        if (row.status == RowStatus::New)
            continue;
        row.originals = row.values;
        row.changed.fill(false);
        row.status = RowStatus::NotModified;
    }
    return 1;
}

RowStatus DataStore::getitemstatus(long row) const {
    return validRow(row) ? m_rows[row - 1].status : RowStatus::NotModified;
}

bool DataStore::isModified(long row, const QString& column) const {
    const int c = m_definition.columnIndex(column);
    return validRow(row) && c >= 0 && m_rows[row - 1].changed[c];
}

QString DataStore::originalString(long row, const QString& column) const {
    const int c = m_definition.columnIndex(column);
    if (!validRow(row) || c < 0)
        return QString();
    return asString(m_rows[row - 1].originals[c]);
}
