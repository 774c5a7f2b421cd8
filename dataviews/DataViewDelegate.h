#pragma once

#include <QStyledItemDelegate>

struct DataViewDefinition;

// Editors of a data view's cells, after each column's edit kind: a line edit that takes at
// most the column's limit, a drop-down of display texts that stores codes, a check box that
// stores the on and off values. Serves the grid and the form's editors alike.
class DataViewDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    explicit DataViewDelegate(const DataViewDefinition& definition, QObject* parent = nullptr);

    // An editor for a column, outside any view (the form builds its fields with this).
    QWidget* makeEditor(int column, QWidget* parent) const;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

  private:
    const DataViewDefinition& m_definition;
};
