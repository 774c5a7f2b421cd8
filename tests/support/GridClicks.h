#pragma once

#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <QtTest>

// Clicks the check box of a grid's cell where the style draws it, as the user aims at it.
inline void clickCheckBox(QTableView* grid, const QModelIndex& index) {
    QStyleOptionViewItem option;
    option.initFrom(grid->viewport());
    option.rect = grid->visualRect(index);
    option.features |= QStyleOptionViewItem::HasCheckIndicator;
    option.widget = grid;
    const QRect box =
        grid->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, grid);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, box.center());
}
