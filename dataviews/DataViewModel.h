#pragma once

#include <QAbstractTableModel>

class DataStore;
struct DataViewDefinition;

// A Qt model over a data view's rows: one column per column of the definition (hidden ones
// included; the views hide them). Programmatic changes go to the store and come back as
// dataChanged; only setData() (the user's edits through a view or editor) emits userEdited.
class DataViewModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit DataViewModel(DataStore& store, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // True when a row rule protects this cell against change.
    bool isProtected(int row, int column) const;

  signals:
    // After the store accepted a changed value: row from 1, the column's name, the value.
    void userEdited(int row, const QString& column, const QString& data);

  private:
    const DataViewDefinition& definition() const;
    QString value(int row, int column) const;
    QVariant background(int row, int column) const;

    DataStore& m_store;
};
