#include "dataviews/DataViewTable.h"

#include "dataviews/DataViewDefinition.h"

DataViewTable::DataViewTable(const DataViewDefinition& definition, QWidget* parent)
    : QTableView(parent), m_definition(definition) {}

QModelIndex DataViewTable::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) {
    const QList<int> order = m_definition.tabOrder();
    const QModelIndex current = currentIndex();
    if ((cursorAction != MoveNext && cursorAction != MovePrevious) || order.isEmpty() ||
        model() == nullptr || model()->rowCount() == 0)
        return QTableView::moveCursor(cursorAction, modifiers);
    int row = current.isValid() ? current.row() : 0;
    int at = current.isValid() ? int(order.indexOf(current.column())) : -1;
    if (cursorAction == MoveNext) {
        if (++at >= order.size()) {
            at = 0;
            row = std::min(row + 1, model()->rowCount() - 1);
        }
    } else {
        if (at < 0)
            at = 0;
        else if (--at < 0) {
            at = int(order.size()) - 1;
            row = std::max(row - 1, 0);
        }
    }
    return model()->index(row, order[at]);
}
