#include "dataviews/DataViewTable.h"

#include "dataviews/DataViewDefinition.h"

#include <QApplication>

DataViewTable::DataViewTable(QWidget* parent) : QTableView(parent) {
    // Seen for every move of the focus, also those the view gets no event for: an open editor
    // losing the focus to another control, a prompt or another window.
    m_focusWatch =
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
            if (holds(old) && !holds(now) && currentIndex().isValid()) {
                m_aside = currentIndex();
                setCurrentQuietly({});
            }
        });
}

// The base classes' destructors move the focus on (and tell of it) after this part is gone.
DataViewTable::~DataViewTable() {
    disconnect(m_focusWatch);
}

bool DataViewTable::holds(const QWidget* widget) const {
    return widget != nullptr && (widget == this || isAncestorOf(widget));
}

QModelIndex DataViewTable::currentCell() const {
    return currentIndex().isValid() ? currentIndex() : QModelIndex(m_aside);
}

void DataViewTable::setCurrentCell(const QModelIndex& index) {
    if (holds(QApplication::focusWidget())) {
        setCurrentQuietly(index);
        return;
    }
    m_aside = index;
}

void DataViewTable::setCurrentQuietly(const QModelIndex& index) {
    const auto triggers = editTriggers();
    setEditTriggers(NoEditTriggers);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    setEditTriggers(triggers);
}

void DataViewTable::focusInEvent(QFocusEvent* event) {
    // Back to the cell the user left.
    if (!currentIndex().isValid() && m_aside.isValid())
        setCurrentQuietly(m_aside);
    m_aside = QPersistentModelIndex();
    QTableView::focusInEvent(event);
}

QModelIndex DataViewTable::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) {
    const bool tab = cursorAction == MoveNext || cursorAction == MovePrevious;
    // Ctrl+Tab and Ctrl+PageUp/PageDown change the page.
    if ((modifiers & Qt::ControlModifier) &&
        (tab || cursorAction == MovePageUp || cursorAction == MovePageDown))
        return {};
    if (!tab || m_tabColumns.isEmpty() || model() == nullptr || model()->rowCount() == 0)
        return QTableView::moveCursor(cursorAction, modifiers);
    const QModelIndex current = currentIndex();
    const int lastRow = model()->rowCount() - 1;
    int row = current.isValid() ? current.row() : 0;
    int at = current.isValid() ? int(m_tabColumns.indexOf(current.column())) : -1;
    // No cell past the ends: the focus goes on to the page's next (previous) control.
    if (cursorAction == MoveNext) {
        if (++at >= m_tabColumns.size()) {
            if (row == lastRow)
                return {};
            at = 0;
            ++row;
        }
    } else {
        if (at < 0)
            at = 0;
        else if (--at < 0) {
            if (row == 0)
                return {};
            at = int(m_tabColumns.size()) - 1;
            --row;
        }
    }
    return model()->index(row, m_tabColumns[at]);
}

void DataViewTable::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    const bool next = hint == QAbstractItemDelegate::EditNextItem;
    if ((next || hint == QAbstractItemDelegate::EditPreviousItem) &&
        !moveCursor(next ? MoveNext : MovePrevious, Qt::NoModifier).isValid()) {
        // Tab in the editor of the last cell leaves the grid as Tab on the cell itself does.
        QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
        focusNextPrevChild(next);
        return;
    }
    QTableView::closeEditor(editor, hint);
}
