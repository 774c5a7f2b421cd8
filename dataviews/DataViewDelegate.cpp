#include "dataviews/DataViewDelegate.h"

#include "dataviews/DataViewDefinition.h"

#include <QAbstractProxyModel>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>

namespace {

// The definition's column of a cell: the grid's cells come through a proxy that leaves the
// hidden columns out, the form's straight from the model.
int columnOf(const QModelIndex& index) {
    if (const auto* proxy = qobject_cast<const QAbstractProxyModel*>(index.model()))
        return proxy->mapToSource(index).column();
    return index.column();
}

} // namespace

DataViewDelegate::DataViewDelegate(const DataViewDefinition& definition, QObject* parent)
    : QStyledItemDelegate(parent), m_definition(definition) {}

QWidget* DataViewDelegate::makeEditor(int column, QWidget* parent) const {
    const ColumnDefinition& c = m_definition.columns[column];
    QWidget* editor = nullptr;
    switch (c.edit) {
    case EditKind::ReadOnly:
    case EditKind::Text: {
        auto* line = new QLineEdit(parent);
        if (c.edit == EditKind::ReadOnly) {
            line->setReadOnly(true);
            line->setFocusPolicy(Qt::NoFocus);
        } else if (c.limit > 0) {
            line->setMaxLength(c.limit);
        }
        editor = line;
        break;
    }
    case EditKind::DropDown: {
        auto* combo = new QComboBox(parent);
        for (const CodeEntry& entry : c.codes)
            combo->addItem(entry.display, entry.code);
        // A choice is a finished edit: it is stored at once, not when the focus leaves.
        connect(combo, &QComboBox::activated, this,
                [this, combo] { emit const_cast<DataViewDelegate*>(this)->commitData(combo); });
        editor = combo;
        break;
    }
    case EditKind::CheckBox: {
        auto* box = new QCheckBox(parent);
        connect(box, &QCheckBox::clicked, this,
                [this, box] { emit const_cast<DataViewDelegate*>(this)->commitData(box); });
        editor = box;
        break;
    }
    case EditKind::Hidden:
        return nullptr;
    }
    editor->setObjectName(c.name);
    editor->setAccessibleName(c.label);
    return editor;
}

QWidget* DataViewDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                        const QModelIndex& index) const {
    // In a grid the check box is the cell's own check mark.
    if (m_definition.columns[columnOf(index)].edit == EditKind::CheckBox)
        return nullptr;
    QWidget* editor = makeEditor(columnOf(index), parent);
    if (editor != nullptr)
        editor->setAutoFillBackground(true);
    return editor;
}

void DataViewDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    if (m_definition.columns[columnOf(index)].edit != EditKind::CheckBox ||
        !(option.state & QStyle::State_HasFocus)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    // The style frames a cell's text, which a check box cell has none of: its frame would be
    // an empty box beside the check box. The current cell is framed whole instead.
    QStyleOptionViewItem cell(option);
    cell.state &= ~QStyle::State_HasFocus;
    QStyledItemDelegate::paint(painter, cell, index);
    QStyleOptionFocusRect frame;
    frame.QStyleOption::operator=(option);
    frame.rect = option.rect.adjusted(1, 1, -1, -1);
    frame.state |= QStyle::State_KeyboardFocusChange | QStyle::State_Item;
    frame.backgroundColor = option.palette.color(QPalette::Window);
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, painter, widget);
}

void DataViewDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    const QString value = index.data(Qt::EditRole).toString();
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        if (line->text() != value)
            line->setText(value);
    } else if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        const int at = combo->findData(value);
        combo->setCurrentIndex(at);
        // A code outside the table shows as it is.
        combo->setPlaceholderText(at < 0 ? value : QString());
    } else if (auto* box = qobject_cast<QCheckBox*>(editor)) {
        box->setChecked(index.data(Qt::CheckStateRole).toInt() == Qt::Checked);
    }
}

void DataViewDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                    const QModelIndex& index) const {
    const ColumnDefinition& c = m_definition.columns[columnOf(index)];
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        if (!line->isReadOnly())
            model->setData(index, line->text(), Qt::EditRole);
    } else if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        if (combo->currentIndex() >= 0)
            model->setData(index, combo->currentData(), Qt::EditRole);
    } else if (auto* box = qobject_cast<QCheckBox*>(editor)) {
        model->setData(index, box->isChecked() ? c.onValue : c.offValue, Qt::EditRole);
    }
}
