#pragma once

#include <QHash>
#include <QWidget>

class DataViewDelegate;
class DataViewModel;
class QDataWidgetMapper;
struct DataViewDefinition;

// The form of a data view: the current row, one field per shown column one below the other,
// each with its label on its left. Editors are bound to the row through a QDataWidgetMapper.
class DataViewForm : public QWidget {
    Q_OBJECT
  public:
    DataViewForm(const DataViewDefinition& definition, DataViewModel& model,
                 DataViewDelegate& delegate, QWidget* parent = nullptr);
    ~DataViewForm() override;

    // 0-based; -1 when there is no row.
    int currentRow() const;
    void setCurrentRow(int row);
    // The field of a column; null for a hidden or unknown one.
    QWidget* editor(int column) const { return m_editors.value(column); }

  signals:
    // A press on a field (row from 0).
    void fieldPressed(int row);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void applyProtection();

    DataViewModel& m_model;
    QDataWidgetMapper* m_mapper;
    QHash<int, QWidget*> m_editors;
};
