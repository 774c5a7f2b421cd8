#include "dataviews/DataViewModel.h"

#include "dataviews/DataStore.h"

#include <QColor>

DataViewModel::DataViewModel(DataStore& store, QObject* parent)
    : QAbstractTableModel(parent), m_store(store) {
    connect(&store, &DataStore::rowsAboutToBeReset, this, [this] { beginResetModel(); });
    connect(&store, &DataStore::rowsReset, this, [this] { endResetModel(); });
    connect(&store, &DataStore::rowAboutToBeInserted, this,
            [this](long row) { beginInsertRows({}, int(row - 1), int(row - 1)); });
    connect(&store, &DataStore::rowInserted, this, [this] { endInsertRows(); });
    // A rule may depend on any column, so the whole row is repainted.
    connect(&store, &DataStore::itemSet, this, [this](long row, int) {
        emit dataChanged(index(int(row - 1), 0), index(int(row - 1), columnCount() - 1));
    });
}

const DataViewDefinition& DataViewModel::definition() const {
    return m_store.definition();
}

int DataViewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_store.rowcount());
}

int DataViewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(definition().columns.size());
}

QString DataViewModel::value(int row, int column) const {
    return m_store.getitemstring(row + 1, definition().columns[column].name);
}

bool DataViewModel::isProtected(int row, int column) const {
    const QString& name = definition().columns[column].name;
    for (const RowRule& rule : definition().rules)
        if (rule.protect.contains(name, Qt::CaseInsensitive) &&
            m_store.getitemstring(row + 1, rule.whenColumn) == rule.equals)
            return true;
    return false;
}

QVariant DataViewModel::background(int row, int column) const {
    quint32 rgb = definition().cellBackground;
    const QString& name = definition().columns[column].name;
    for (const RowRule& rule : definition().rules)
        if (rule.backgroundColumn.compare(name, Qt::CaseInsensitive) == 0 &&
            m_store.getitemstring(row + 1, rule.whenColumn) == rule.equals)
            rgb = rule.background;
    return QColor(QRgb(rgb));
}

QVariant DataViewModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const ColumnDefinition& column = definition().columns[index.column()];
    const QString text = value(index.row(), index.column());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        // A check box says checked or not by its state, never by the stored "1" or "0".
        if (column.edit == EditKind::CheckBox)
            return {};
        if (column.edit == EditKind::DropDown) {
            // A stored code outside the table shows as it is.
            for (const CodeEntry& entry : column.codes)
                if (entry.code == text)
                    return entry.display;
        }
        return text.isNull() ? QVariant() : QVariant(text);
    case Qt::EditRole:
        return text.isNull() ? QStringLiteral("") : text;
    case Qt::CheckStateRole:
        if (column.edit != EditKind::CheckBox)
            return {};
        return text == column.onValue ? Qt::Checked : Qt::Unchecked; // null shows unchecked
    case Qt::BackgroundRole:
        return background(index.row(), index.column());
    default:
        return {};
    }
}

bool DataViewModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || !(flags(index) & Qt::ItemIsEnabled))
        return false;
    const ColumnDefinition& column = definition().columns[index.column()];
    QString data;
    if (column.edit == EditKind::CheckBox && (role == Qt::CheckStateRole || role == Qt::EditRole)) {
        const bool on = role == Qt::CheckStateRole ? value.toInt() == Qt::Checked
                                                   : value.toString() == column.onValue;
        data = on ? column.onValue : column.offValue;
    } else if (role == Qt::EditRole &&
               (column.edit == EditKind::Text || column.edit == EditKind::DropDown)) {
        data = value.toString();
        if (column.edit == EditKind::Text && column.limit > 0)
            data.truncate(column.limit);
    } else {
        return false;
    }
    if (isProtected(index.row(), index.column()))
        return false;
    if (data.isNull())
        data = QStringLiteral("");
    // Leaving a value as it is is no change; a null left empty neither (null equals "").
    if (data == this->value(index.row(), index.column()))
        return true;
    m_store.setitem(index.row() + 1, column.name, data);
    emit userEdited(index.row() + 1, column.name, data);
    return true;
}

Qt::ItemFlags DataViewModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const ColumnDefinition& column = definition().columns[index.column()];
    if (isProtected(index.row(), index.column()))
        return f;
    if (column.edit == EditKind::Text || column.edit == EditKind::DropDown)
        f |= Qt::ItemIsEditable;
    else if (column.edit == EditKind::CheckBox)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant DataViewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && section >= 0 && section < columnCount() &&
        (role == Qt::DisplayRole || role == Qt::AccessibleTextRole))
        return definition().columns[section].label;
    return QAbstractTableModel::headerData(section, orientation, role);
}
