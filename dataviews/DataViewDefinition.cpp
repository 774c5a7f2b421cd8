#include "dataviews/DataViewDefinition.h"

#include <algorithm>

int DataViewDefinition::columnIndex(const QString& column) const {
    for (int i = 0; i < columns.size(); ++i)
        if (columns[i].name.compare(column, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QList<int> DataViewDefinition::tabOrder() const {
    QList<int> order;
    for (int i = 0; i < columns.size(); ++i)
        if (columns[i].tabPosition > 0 && columns[i].edit != EditKind::Hidden)
            order.append(i);
    std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
        return columns[a].tabPosition < columns[b].tabPosition;
    });
    return order;
}
