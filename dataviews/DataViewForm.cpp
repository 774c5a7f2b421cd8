#include "dataviews/DataViewForm.h"

#include "dataviews/DataViewDefinition.h"
#include "dataviews/DataViewDelegate.h"
#include "dataviews/DataViewModel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDataWidgetMapper>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace {

// Room for `characters` average characters of the widget's font, plus its frame.
int widthFor(const QWidget* editor, int characters) {
    return editor->fontMetrics().averageCharWidth() * characters + 12;
}

} // namespace

DataViewForm::DataViewForm(const DataViewDefinition& definition, DataViewModel& model,
                           DataViewDelegate& delegate, QWidget* parent)
    : QWidget(parent), m_model(model), m_mapper(new QDataWidgetMapper(this)) {
    m_mapper->setModel(&model);
    m_mapper->setItemDelegate(&delegate);
    m_mapper->setSubmitPolicy(QDataWidgetMapper::AutoSubmit);

    auto* layout = new QGridLayout(this);
    layout->setColumnStretch(2, 1);
    int line = 0;
    for (int c = 0; c < definition.columns.size(); ++c) {
        const ColumnDefinition& column = definition.columns[c];
        QWidget* field = delegate.makeEditor(c, this);
        if (field == nullptr)
            continue;
        auto* label = new QLabel(column.label, this);
        label->setBuddy(field);
        int width = widthFor(field, std::max(column.width, 4));
        if (auto* combo = qobject_cast<QComboBox*>(field)) {
            for (int i = 0; i < combo->count(); ++i)
                width = std::max(width,
                                 combo->fontMetrics().horizontalAdvance(combo->itemText(i)) + 40);
        }
        field->setMaximumWidth(width);
        field->installEventFilter(this);
        layout->addWidget(label, line, 0, Qt::AlignRight | Qt::AlignVCenter);
        layout->addWidget(field, line, 1, 1, 2, Qt::AlignLeft | Qt::AlignVCenter);
        field->setMinimumWidth(std::min(width, 200));
        m_mapper->addMapping(field, c);
        m_editors.insert(c, field);
        ++line;
    }
    layout->setRowStretch(line, 1);

    QWidget* previous = nullptr;
    for (int c : definition.tabOrder()) {
        if (QWidget* field = m_editors.value(c)) {
            if (previous != nullptr)
                setTabOrder(previous, field);
            previous = field;
        }
    }

    connect(&model, &QAbstractItemModel::modelReset, this,
            [this] { setCurrentRow(m_model.rowCount() > 0 ? 0 : -1); });
    connect(&model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex&, int first) {
        if (currentRow() < 0)
            setCurrentRow(first);
    });
    connect(&model, &QAbstractItemModel::dataChanged, this, [this] { applyProtection(); });
    setCurrentRow(model.rowCount() > 0 ? 0 : -1);
}

DataViewForm::~DataViewForm() {
    for (QWidget* field : std::as_const(m_editors))
        field->removeEventFilter(this);
    m_model.disconnect(this);
}

int DataViewForm::currentRow() const {
    return m_mapper->currentIndex() < m_model.rowCount() ? m_mapper->currentIndex() : -1;
}

void DataViewForm::setCurrentRow(int row) {
    if (row < 0) {
        // The mapper leaves the last row's values in the fields: nothing must show.
        m_mapper->setCurrentIndex(-1);
        for (QWidget* field : std::as_const(m_editors)) {
            if (auto* line = qobject_cast<QLineEdit*>(field))
                line->clear();
            else if (auto* combo = qobject_cast<QComboBox*>(field))
                combo->setCurrentIndex(-1);
            else if (auto* box = qobject_cast<QCheckBox*>(field))
                box->setChecked(false);
            field->setEnabled(false);
        }
        return;
    }
    m_mapper->setCurrentIndex(row);
    applyProtection();
}

void DataViewForm::applyProtection() {
    const int row = currentRow();
    for (auto it = m_editors.cbegin(); it != m_editors.cend(); ++it)
        it.value()->setEnabled(row >= 0 && !m_model.isProtected(row, it.key()));
}

bool DataViewForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress && currentRow() >= 0)
        emit fieldPressed(currentRow());
    return QWidget::eventFilter(watched, event);
}
